#pragma once

#include "color/TargetCurve.h"

// The inverse of the BT.709 camera transfer function.
class Rec709Curve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    QString CurveName() override { return QStringLiteral("BT.709"); }

    using TargetCurve::GetTarget;
};
