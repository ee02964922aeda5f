#pragma once

#include "color/TargetCurve.h"

#include <QStringList>

#include <memory>

// Makes target curves from the names stored in settings and calibration results.
class CurvesFactory
{
public:
    // Substring match on the lower-cased name; DICOM when nothing matches.
    static std::unique_ptr<TargetCurve> createCurve(const QString& name, double gamma);
    // The identifiers offered to users.
    static QStringList curvesList();
    // Display name for an identifier ("Gamma 2.2"); unknown names come back as given.
    static QString curveName(const QString& name, double gamma);
    static bool initCustomCurve(TargetCurve* curve, const std::vector<double>& ddls,
                                const std::vector<double>& luminances, const QString& name);
};
