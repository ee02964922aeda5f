#include "color/GammaCurve.h"

#include <cmath>

double GammaCurve::GetTarget(double position, double pmax)
{
    const double v = position / pmax;
    return m_minLuminance + (m_maxLuminance - m_minLuminance) * std::pow(v, m_gamma);
}

double GammaCurve::GetPosition(double luminance, double pmax)
{
    const double range = m_maxLuminance - m_minLuminance;
    if (range == 0 || m_gamma == 0)
        return 0;
    // Below the black the curve is mirrored, so a darker reading gets a negative position.
    if (luminance < m_minLuminance)
        return -pmax * std::pow((m_minLuminance - luminance) / range, 1 / m_gamma);
    return pmax * std::pow((luminance - m_minLuminance) / range, 1 / m_gamma);
}
