#pragma once

#include "color/MonotoneCubicSpline.h"
#include "color/TargetCurve.h"

#include <optional>

// A response given as measured or designed (DDL, luminance) pairs, normalised and
// interpolated without overshoot.
class CustomCurve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    QString CurveName() override { return m_name; }

    using TargetCurve::GetTarget;

    void SetName(const QString& name) { m_name = name; }
    // False, with the reason logged, when the pairs cannot describe a rising curve.
    bool SetData(const std::vector<double>& ddls, const std::vector<double>& luminances);
    bool IsValid() const { return m_valid; }

private:
    bool refuse(const char* reason);

    QString m_name = QStringLiteral("Unnamed curve");
    std::vector<double> m_positions;
    std::vector<double> m_luminances;
    std::optional<MonotoneCubicSpline> m_spline;
    bool m_valid = false;
};
