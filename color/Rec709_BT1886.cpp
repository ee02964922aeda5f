#include "color/Rec709_BT1886.h"

#include <algorithm>
#include <cmath>

double Rec709_BT1886::GetTarget(double position, double pmax)
{
    constexpr double EXPONENT = 2.4;
    const double white = std::pow(m_maxLuminance, 1 / EXPONENT);
    const double black = std::pow(m_minLuminance, 1 / EXPONENT);
    const double gain = std::pow(white - black, EXPONENT);
    const double lift = white != black ? black / (white - black) : 0;
    const double v = position / pmax;
    return gain * std::pow(std::max(v + lift, 0.0), EXPONENT);
}
