#include "color/CIELCurve.h"

#include <cmath>

double CIELCurve::GetTarget(double position, double pmax)
{
    const double range = m_maxLuminance - m_minLuminance;
    if (position <= pmax * 216.0 / 2700.0)
        return m_minLuminance + 2700.0 * range * position / (24389.0 * pmax);
    const double f = (100.0 * position / pmax + 16.0) / 116.0;
    return m_minLuminance + range * f * f * f;
}

double CIELCurve::GetPosition(double luminance, double pmax)
{
    const double range = m_maxLuminance - m_minLuminance;
    if (range == 0)
        return 0;
    const double r = (luminance - m_minLuminance) / range;
    if (r <= 216.0 / 24389.0)
        return r * pmax * 24389.0 / 2700.0;
    return pmax * (116.0 * std::cbrt(r) - 16.0) / 100.0;
}
