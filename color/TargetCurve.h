#pragma once

#include <QString>

#include <vector>

// The luminance a display should show at each input position, between a minimum
// and a maximum luminance. Positions come with their full scale pmax; only the
// ratio position / pmax matters.
class TargetCurve
{
public:
    virtual ~TargetCurve() = default;

    virtual void SetMinMaxLuminance(double min, double max);
    virtual void GetMinMaxLuminance(double& min, double& max);
    // `count` targets evenly spread over the full scale.
    virtual void GetTarget(std::vector<double>& out, int count);
    virtual void GetTarget(std::vector<double>& out, const std::vector<double>& positions, int pmax);
    virtual double GetTarget(double position, double pmax) = 0;
    // Bisection over [-pmax, 2 pmax], so luminances a little outside the range still map.
    virtual double GetPosition(double luminance, double pmax);
    virtual QString CurveName() = 0;

protected:
    double m_minLuminance = 1.0;
    double m_maxLuminance = 100.0;
};
