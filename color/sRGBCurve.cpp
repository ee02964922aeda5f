#include "color/sRGBCurve.h"

#include <cmath>

double sRGBCurve::GetTarget(double position, double pmax)
{
    const double v = position / pmax;
    const double linear = v < 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    return m_minLuminance + (m_maxLuminance - m_minLuminance) * linear;
}

double sRGBCurve::GetPosition(double luminance, double pmax)
{
    const double range = m_maxLuminance - m_minLuminance;
    if (range == 0)
        return 0;
    const double r = (luminance - m_minLuminance) / range;
    if (r <= 0.0031308)
        return pmax * 12.92 * r;
    return pmax * (1.055 * std::pow(r, 1 / 2.4) - 0.055);
}
