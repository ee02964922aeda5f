#pragma once

#include "color/TargetCurve.h"

// The BT.1886 reference EOTF, with the display's black lifting the curve.
class Rec709_BT1886 : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    QString CurveName() override { return QStringLiteral("BT.1886"); }

    using TargetCurve::GetTarget;
};
