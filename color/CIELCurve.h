#pragma once

#include "color/TargetCurve.h"

// Equal CIE L* lightness steps per input step.
class CIELCurve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    double GetPosition(double luminance, double pmax) override;
    QString CurveName() override { return QStringLiteral("CIE L*"); }

    using TargetCurve::GetTarget;
};
