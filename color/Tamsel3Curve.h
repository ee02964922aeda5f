#pragma once

#include "color/TargetCurve.h"

// An absolute polynomial response in foot-lamberts; the luminance range picks the
// stretch of the polynomial that runs from the minimum to the maximum.
class Tamsel3Curve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    void SetMinMaxLuminance(double min, double max) override;
    QString CurveName() override { return QStringLiteral("Tamsel3"); }

    using TargetCurve::GetTarget;

    // The polynomial at its own argument, in cd/m² rounded to hundredths.
    static double luminanceAt(double x);

private:
    static double argumentFor(double luminance);

    double m_lowerArgument = 0;
    double m_upperArgument = 1;
};
