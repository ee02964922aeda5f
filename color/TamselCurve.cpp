#include "color/TamselCurve.h"

double TamselCurve::GetTarget(double position, double pmax)
{
    const double x = position / pmax;
    const double p =
        0.1 + x * (4.060264 + x * (-6.226862 + x * (48.145864 + x * (-60.928632 + x * 49.848766))));
    return m_minLuminance + (m_maxLuminance - m_minLuminance) * (p - 0.1) / 34.9;
}
