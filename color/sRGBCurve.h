#pragma once

#include "color/TargetCurve.h"

// The sRGB transfer function (IEC 61966-2-1).
class sRGBCurve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    double GetPosition(double luminance, double pmax) override;
    QString CurveName() override { return QStringLiteral("sRGB"); }

    using TargetCurve::GetTarget;
};
