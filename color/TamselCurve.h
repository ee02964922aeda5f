#pragma once

#include "color/TargetCurve.h"

// A fifth-degree polynomial response normalised to the luminance range.
class TamselCurve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    QString CurveName() override { return QStringLiteral("Tamsel"); }

    using TargetCurve::GetTarget;
};
