#pragma once

#include "color/TargetCurve.h"

// BT.2100 hybrid log-gamma with the system gamma of the peak luminance.
class HLGCurve : public TargetCurve
{
public:
    static double systemGamma(double peak);
    static double blackLift(double black, double peak, double gamma);
    static double oetf(double linear);
    static double inverseOetf(double signal);

    double GetTarget(double position, double pmax) override;
    double GetPosition(double luminance, double pmax) override;
    QString CurveName() override { return QStringLiteral("HDR/HLG"); }

    using TargetCurve::GetTarget;
};
