#include "color/TargetCurve.h"

#include <cmath>

namespace {

constexpr double BISECTION_TOLERANCE = 1e-6;
// The interval halves each round, so this only stops a NaN from looping forever.
constexpr int BISECTION_ROUNDS = 200;

} // namespace

void TargetCurve::SetMinMaxLuminance(double min, double max)
{
    m_minLuminance = min;
    m_maxLuminance = max;
}

void TargetCurve::GetMinMaxLuminance(double& min, double& max)
{
    min = m_minLuminance;
    max = m_maxLuminance;
}

void TargetCurve::GetTarget(std::vector<double>& out, int count)
{
    out.clear();
    if (count <= 0)
        return;
    // A single level shows the bottom of the range.
    const double pmax = count > 1 ? count - 1 : 1;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out.push_back(GetTarget(static_cast<double>(i), pmax));
}

void TargetCurve::GetTarget(std::vector<double>& out, const std::vector<double>& positions, int pmax)
{
    out.clear();
    out.reserve(positions.size());
    for (const double position : positions)
        out.push_back(GetTarget(position, static_cast<double>(pmax)));
}

double TargetCurve::GetPosition(double luminance, double pmax)
{
    double lower = -pmax;
    double upper = 2 * pmax;
    double middle = (lower + upper) / 2;
    for (int round = 0; round < BISECTION_ROUNDS; ++round) {
        middle = (lower + upper) / 2;
        const double target = GetTarget(middle, pmax);
        if (std::abs(target - luminance) < BISECTION_TOLERANCE || upper - lower < BISECTION_TOLERANCE)
            return middle;
        if (target >= luminance)
            upper = middle;
        else
            lower = middle;
    }
    return middle;
}
