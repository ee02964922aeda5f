#pragma once

#include "color/TargetCurve.h"

// The SMPTE ST 2084 perceptual quantiser, cut to the luminance range.
class PQCurve : public TargetCurve
{
public:
    PQCurve();
    static double eotf(double signal);
    static double inverseEotf(double luminance);

    double GetTarget(double position, double pmax) override;
    void SetMinMaxLuminance(double min, double max) override;
    double GetPosition(double luminance, double pmax) override;
    QString CurveName() override { return QStringLiteral("HDR/PQ"); }

    using TargetCurve::GetTarget;

private:
    double m_minSignal = 0;
    double m_maxSignal = 0;
};
