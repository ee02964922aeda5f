#include "color/Rec709Curve.h"

#include <cmath>

double Rec709Curve::GetTarget(double position, double pmax)
{
    const double v = position / pmax;
    const double linear =
        v < 0.0812428582986315 ? v / 4.5 : std::pow((v + 0.09929682680944) / 1.09929682680944, 1 / 0.45);
    return m_minLuminance + (m_maxLuminance - m_minLuminance) * linear;
}
