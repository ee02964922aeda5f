#include "color/PQCurve.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double M1 = 0.1593017578125;
constexpr double M2 = 78.84375;
constexpr double C1 = 0.8359375;
constexpr double C2 = 18.8515625;
constexpr double C3 = 18.6875;
constexpr double PEAK = 10000.0;

} // namespace

PQCurve::PQCurve()
{
    PQCurve::SetMinMaxLuminance(m_minLuminance, m_maxLuminance);
}

double PQCurve::eotf(double signal)
{
    if (!(signal > 0))
        return 0;
    if (signal >= 1)
        return PEAK;
    const double n = std::pow(signal, 1 / M2);
    const double numerator = std::max(n - C1, 0.0);
    const double denominator = C2 - C3 * n;
    return denominator > 0 ? PEAK * std::pow(numerator / denominator, 1 / M1) : PEAK;
}

double PQCurve::inverseEotf(double luminance)
{
    if (!(luminance > 0))
        return 0;
    if (luminance >= PEAK)
        return 1;
    const double y = std::pow(luminance / PEAK, M1);
    return std::pow((C1 + C2 * y) / (1 + C3 * y), M2);
}

void PQCurve::SetMinMaxLuminance(double min, double max)
{
    m_minLuminance = std::max(min, 0.0);
    m_maxLuminance = std::max(m_minLuminance, std::min(max, PEAK));
    m_minSignal = inverseEotf(m_minLuminance);
    m_maxSignal = inverseEotf(m_maxLuminance);
}

double PQCurve::GetTarget(double position, double pmax)
{
    if (pmax == 0 || !(m_minLuminance < m_maxLuminance) || position <= 0)
        return m_minLuminance;
    if (position >= pmax)
        return m_maxLuminance;
    if (!(m_minSignal < m_maxSignal))
        return m_minLuminance;
    return eotf(m_minSignal + (m_maxSignal - m_minSignal) * position / pmax);
}

double PQCurve::GetPosition(double luminance, double pmax)
{
    if (pmax == 0 || m_maxLuminance <= m_minLuminance || m_maxSignal <= m_minSignal ||
        luminance <= m_minLuminance)
        return 0;
    if (luminance >= m_maxLuminance)
        return pmax;
    return pmax * (inverseEotf(luminance) - m_minSignal) / (m_maxSignal - m_minSignal);
}
