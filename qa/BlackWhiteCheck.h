#pragma once

#include <QMap>
#include <QString>

#include <optional>
#include <vector>

// The black and white luminance quantities of a display and the checks a regulation
// applies to them. Measured luminances exclude the ambient light; the primed values
// (L' = L + Lamb) are what the eye sees and what the limits are about.
class BlackWhiteCheck
{
public:
    struct Input
    {
        double lmax = 0; // white, cd/m², without ambient
        double lmin = 0; // black, cd/m², without ambient
        double lamb = 0; // ambient luminance, cd/m²
        // Regulation parameters by name ("Lmax", "LR", "dLmax", ...).
        QMap<QString, double> limits;
        // Values of the display's acceptance test by quantity ("Lmax", "Lmin", "LR",
        // "Lamb", "Ks", "Lmin/Lamb").
        QMap<QString, double> acceptance;
        // L'max and LR of the other displays of the workstation.
        struct Other
        {
            double lmax = 0;
            double lr = 0;
        };
        std::vector<Other> others;
    };

    struct Row
    {
        QString name;                // quantity key ("Lmax", "dLR", ...)
        QString label;               // "Maximum Luminance", ...
        QString criterion;           // "L'<sub>max</sub> &ge; ", empty for a row without check
        std::optional<double> value; // empty when it cannot be computed
        double limit = 0;
        bool applied = false;     // part of the verdict
        bool recommended = false; // reported against a recommendation only
        bool passed = true;
    };

    struct Result
    {
        double lmaxPrime = 0;
        double lminPrime = 0;
        std::vector<Row> rows;
        bool passed = true;
    };

    static Result evaluate(const Input& input);
};
