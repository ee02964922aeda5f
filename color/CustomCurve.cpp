#include "color/CustomCurve.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr size_t MIN_POINTS = 4;
constexpr double MIN_DDL_GAP = 1e-6;

} // namespace

bool CustomCurve::refuse(const char* reason)
{
    qDebug() << "CustomCurve::SetData" << reason;
    m_valid = false;
    m_positions.clear();
    m_luminances.clear();
    m_spline.reset();
    return false;
}

bool CustomCurve::SetData(const std::vector<double>& ddls, const std::vector<double>& luminances)
{
    if (ddls.size() != luminances.size() || ddls.size() < MIN_POINTS)
        return refuse("wrong size");
    const double largestDdl = *std::max_element(ddls.begin(), ddls.end());
    const double largestLuminance = *std::max_element(luminances.begin(), luminances.end());
    if (!(largestDdl > 0) || !(largestLuminance > 0))
        return refuse("wrong data");
    const auto negative = [](double value) { return !(value >= 0); };
    if (std::any_of(ddls.begin(), ddls.end(), negative) ||
        std::any_of(luminances.begin(), luminances.end(), negative))
        return refuse("Negative Value");

    std::vector<std::pair<double, double>> pairs;
    pairs.reserve(ddls.size());
    for (size_t i = 0; i < ddls.size(); ++i)
        pairs.emplace_back(ddls[i] / largestDdl, luminances[i] / largestLuminance);
    std::sort(pairs.begin(), pairs.end());
    for (size_t i = 1; i < pairs.size(); ++i) {
        if (pairs[i].first - pairs[i - 1].first < MIN_DDL_GAP)
            return refuse("Equal DDL");
        if (!(pairs[i].second > pairs[i - 1].second))
            return refuse("Non-monotonic curve");
    }
    m_positions.clear();
    m_luminances.clear();
    for (const auto& [position, luminance] : pairs) {
        m_positions.push_back(position);
        m_luminances.push_back(luminance);
    }
    m_spline.emplace(m_positions, m_luminances);
    m_valid = m_spline->isValid();
    return m_valid;
}

double CustomCurve::GetTarget(double position, double pmax)
{
    const double range = m_maxLuminance - m_minLuminance;
    const double v = position / pmax;
    if (v < 0)
        return m_minLuminance - range;
    if (v > 1)
        return m_maxLuminance + range;
    double y = 0;
    // Below the smallest given DDL the curve continues along its first tangent,
    // but never below black.
    if (!m_spline || !m_spline->evaluateExtended(v, y)) {
        qDebug() << "CustomCurve::GetTarget interpolation error" << v;
        return 0;
    }
    return m_minLuminance + range * std::max(y, 0.0);
}
