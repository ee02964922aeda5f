#include "color/HLGCurve.h"

#include <cmath>

namespace {

constexpr double A = 0.17883277;
constexpr double B = 0.28466892;
constexpr double C = 0.559910729529562;

} // namespace

double HLGCurve::systemGamma(double peak)
{
    if (peak <= 0)
        return 1.2;
    if (peak >= 400 && peak <= 2000)
        return 1.2 + 0.42 * std::log10(peak / 1000);
    return 1.2 * std::pow(1.111, std::log2(peak / 1000));
}

double HLGCurve::blackLift(double black, double peak, double gamma)
{
    if (black <= 0 || peak <= 0 || gamma <= 0)
        return 0;
    return std::sqrt(3 * std::pow(black / peak, 1 / gamma));
}

double HLGCurve::oetf(double linear)
{
    if (linear <= 0)
        return 0;
    if (linear <= 1.0 / 12.0)
        return std::sqrt(3 * linear);
    return A * std::log(12 * linear - B) + C;
}

double HLGCurve::inverseOetf(double signal)
{
    if (signal <= 0)
        return 0;
    if (signal <= 0.5)
        return signal * signal / 3;
    return (std::exp((signal - C) / A) + B) / 12;
}

double HLGCurve::GetTarget(double position, double pmax)
{
    if (pmax == 0 || m_maxLuminance <= 0 || m_maxLuminance <= m_minLuminance)
        return m_minLuminance;
    const double v = position / pmax;
    if (v == 0)
        return m_minLuminance;
    if (v == 1)
        return m_maxLuminance;
    const double gamma = systemGamma(m_maxLuminance);
    const double lift = blackLift(m_minLuminance, m_maxLuminance, gamma);
    const double signal = v * (1 - lift) + lift;
    return m_maxLuminance * std::pow(inverseOetf(signal), gamma);
}

double HLGCurve::GetPosition(double luminance, double pmax)
{
    if (pmax == 0 || m_maxLuminance <= 0 || m_minLuminance >= m_maxLuminance || luminance == m_minLuminance)
        return 0;
    if (luminance == m_maxLuminance)
        return pmax;
    const double gamma = systemGamma(m_maxLuminance);
    const double lift = blackLift(m_minLuminance, m_maxLuminance, gamma);
    const double linear = luminance <= 0 ? 0 : std::pow(luminance / m_maxLuminance, 1 / gamma);
    const double signal = oetf(linear);
    return lift < 1 ? pmax * (signal - lift) / (1 - lift) : 0;
}
