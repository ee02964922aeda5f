#include "color/Tamsel3Curve.h"

#include "color/ColorUnitsConversion.h"

#include <cmath>

namespace {

constexpr double TOLERANCE = 1e-6;
constexpr double BRACKET_STEP = 0.01;
// Q(4) is far above any display's luminance; the search stops there.
constexpr double LARGEST_ARGUMENT = 4.0;

double footLamberts(double x)
{
    return 0.2 + x * (8.1206638 + x * (-12.453941 + x * (96.293375 + x * (-121.85936 + x * 99.699238))));
}

} // namespace

double Tamsel3Curve::luminanceAt(double x)
{
    return ColorUnitsConversion::fLtoCd(footLamberts(x));
}

double Tamsel3Curve::argumentFor(double luminance)
{
    if (!(luminance > luminanceAt(0)))
        return 0;
    double lower = 0;
    double upper = BRACKET_STEP;
    while (luminanceAt(upper) < luminance && upper < LARGEST_ARGUMENT) {
        lower = upper;
        upper += BRACKET_STEP;
    }
    while (upper - lower >= TOLERANCE) {
        const double middle = (lower + upper) / 2;
        const double value = luminanceAt(middle);
        if (std::abs(value - luminance) < TOLERANCE)
            return middle;
        if (value < luminance)
            lower = middle;
        else
            upper = middle;
    }
    return (lower + upper) / 2;
}

void Tamsel3Curve::SetMinMaxLuminance(double min, double max)
{
    m_minLuminance = min;
    m_maxLuminance = max;
    m_lowerArgument = 0;
    m_upperArgument = 1;
    m_lowerArgument = argumentFor(min);
    m_upperArgument = argumentFor(max);
}

double Tamsel3Curve::GetTarget(double position, double pmax)
{
    return luminanceAt(m_lowerArgument + (m_upperArgument - m_lowerArgument) * position / pmax);
}
