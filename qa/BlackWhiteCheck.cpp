#include "qa/BlackWhiteCheck.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this a luminance is treated as black: nothing is divided by it.
constexpr double MIN_DIVISOR = 0.0001;
// An acceptance value at or below this gives no base for a relative deviation.
constexpr double MIN_ACCEPTANCE = 0.00001;

std::optional<double> ratio(double numerator, double denominator)
{
    if (denominator < MIN_DIVISOR)
        return std::nullopt;
    return numerator / denominator;
}

enum class Bound
{
    AtLeast,
    AtMost,
    Info
};

struct Builder
{
    const BlackWhiteCheck::Input& input;
    BlackWhiteCheck::Result& result;

    double limit(const QString& name) const { return input.limits.value(name, 0.0); }

    // A check whose limit is absent or not positive is reported but not applied; a
    // value that cannot be computed leaves its check out.
    void add(const QString& name, const QString& label, const QString& criterion, std::optional<double> value,
             const QString& limitName, Bound bound, bool recommended = false)
    {
        // A recommendation the regulation does not give has nothing to report.
        if (recommended && limit(limitName) <= 0)
            return;
        BlackWhiteCheck::Row row;
        row.name = name;
        row.label = label;
        row.criterion = criterion;
        row.value = value;
        row.limit = limitName.isEmpty() ? 0.0 : limit(limitName);
        row.recommended = recommended;
        if (bound != Bound::Info && row.limit > 0 && value) {
            row.passed = bound == Bound::AtLeast ? *value >= row.limit : *value <= row.limit;
            row.applied = !recommended;
            if (row.applied && !row.passed)
                result.passed = false;
        }
        result.rows.push_back(row);
    }

    void deviation(const QString& quantity, const QString& label, const QString& criterion,
                   std::optional<double> value)
    {
        const QString limitName = QStringLiteral("d") + quantity;
        const double reference = input.acceptance.value(quantity, 0.0);
        if (limit(limitName) <= 0 || reference <= MIN_ACCEPTANCE || !value)
            return;
        add(limitName, label, criterion, std::abs(*value - reference) * 100 / reference, limitName,
            Bound::AtMost);
    }

    // The largest relative excess of this display over any other one.
    void multiDisplay(const QString& name, const QString& label, const QString& criterion,
                      std::optional<double> value, double BlackWhiteCheck::Input::Other::*field)
    {
        if (input.others.empty() || limit(name) <= 0 || !value)
            return;
        std::optional<double> largest;
        for (const auto& other : input.others) {
            const double reference = other.*field;
            if (reference <= MIN_ACCEPTANCE)
                continue;
            const double difference = (*value - reference) / reference * 100;
            largest = largest ? std::max(*largest, difference) : difference;
        }
        add(name, label, criterion, largest, name, Bound::AtMost);
    }
};

} // namespace

BlackWhiteCheck::Result BlackWhiteCheck::evaluate(const Input& input)
{
    Result result;
    const double lamb = std::max(0.0, input.lamb);
    result.lmaxPrime = std::max(0.0, input.lmax) + lamb;
    result.lminPrime = std::max(0.0, input.lmin) + lamb;
    const double lmaxPrime = result.lmaxPrime;
    const double lminPrime = result.lminPrime;
    const std::optional<double> lr = ratio(lmaxPrime, lminPrime);
    const std::optional<double> la = ratio(lamb, lminPrime);
    const std::optional<double> ks = ratio(lmaxPrime, lamb);
    const std::optional<double> lminOverLamb = ratio(lminPrime, lamb);

    Builder b{input, result};
    b.add("Lmax", "Maximum Luminance", "L'<sub>max</sub> &ge; ", lmaxPrime, "Lmax", Bound::AtLeast);
    b.add("Lmin_mand", "Minimum Luminance", "L'<sub>min</sub> &ge; ", lminPrime, "Lmin_mand", Bound::AtLeast);
    b.add("Lmin", "Minimum Luminance", "L'<sub>min</sub> &ge; ", lminPrime, "Lmin", Bound::AtLeast, true);
    b.add("Lmin_noamb", "Minimum Luminance without ambient", QString(), std::max(0.0, input.lmin), QString(),
          Bound::Info);
    b.add("LR", "Maximum Luminance Ratio", "L<sub>R</sub> &ge; ", lr, "LR", Bound::AtLeast);
    b.add("Lamb", "Veiling Luminance", "L<sub>amb</sub> &le; ", lamb, "Lamb", Bound::AtMost, true);
    b.add("La", "Veiling Luminance Contrast", "L<sub>amb</sub>/L'<sub>min</sub> &le; ", la, "La",
          Bound::AtMost);
    b.add("Ks", "Safety Factor", "K<sub>s</sub> &ge; ", ks, "Ks", Bound::AtLeast);
    b.add("Lmin/Lamb", "Minimum Luminance Over Veiling Luminance", "L'<sub>min</sub>/L<sub>amb</sub> &ge; ",
          lminOverLamb, "Lmin/Lamb", Bound::AtLeast);

    b.deviation("Lmax", "Maximum Luminance Deviation", "&Delta;L'<sub>max</sub> &le; ", lmaxPrime);
    b.deviation("Lmin", "Minimum Luminance Deviation", "&Delta;L'<sub>min</sub> &le; ", lminPrime);
    b.deviation("LR", "Maximum Luminance Ratio Deviation", "&Delta;L<sub>R</sub> &le; ", lr);
    b.deviation("Lamb", "Veiling Luminance Deviation", "&Delta;L<sub>amb</sub> &le; ", lamb);
    b.deviation("Ks", "Safety Factor Deviation", "&Delta;K<sub>s</sub> &le; ", ks);
    b.deviation("Lmin/Lamb", "Minimum Luminance Over Veiling Luminance Deviation",
                "&Delta;(L'<sub>min</sub>/L<sub>amb</sub>) &le; ", lminOverLamb);

    b.multiDisplay("mdLmax", "MultiDisplay Maximum Luminance Difference", "&Delta;L'<sub>max</sub> &le; ",
                   lmaxPrime, &Input::Other::lmax);
    b.multiDisplay("mdLR", "MultiDisplay Maximum Luminance Ratio Difference", "&Delta;L<sub>R</sub> &le; ",
                   lr, &Input::Other::lr);
    return result;
}
