#pragma once

#include "color/TargetCurve.h"

// A pure power law.
class GammaCurve : public TargetCurve
{
public:
    explicit GammaCurve(double gamma) : m_gamma(gamma) {}
    double gamma() const { return m_gamma; }

    double GetTarget(double position, double pmax) override;
    double GetPosition(double luminance, double pmax) override;
    QString CurveName() override { return QStringLiteral("Gamma"); }

    using TargetCurve::GetTarget;

private:
    double m_gamma;
};
