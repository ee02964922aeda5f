#include "color/MonotoneCubicSpline.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double FLAT = 1e-6;

} // namespace

MonotoneCubicSpline::MonotoneCubicSpline(std::vector<double> positions, std::vector<double> values)
    : m_positions(std::move(positions)), m_values(std::move(values))
{
    m_valid = m_positions.size() >= 2 && m_positions.size() == m_values.size();
    for (size_t i = 1; m_valid && i < m_positions.size(); ++i)
        m_valid = m_positions[i] > m_positions[i - 1];
    if (m_valid)
        computeTangents();
}

void MonotoneCubicSpline::computeTangents()
{
    const size_t n = m_positions.size();
    std::vector<double> secants(n - 1);
    for (size_t i = 0; i + 1 < n; ++i)
        secants[i] = (m_values[i + 1] - m_values[i]) / (m_positions[i + 1] - m_positions[i]);
    m_tangents.assign(n, 0.0);
    m_tangents[0] = secants[0];
    m_tangents[n - 1] = secants[n - 2];
    for (size_t i = 1; i + 1 < n; ++i)
        m_tangents[i] = (secants[i - 1] + secants[i]) / 2;
    for (size_t i = 0; i + 1 < n; ++i) {
        const double rise = m_values[i + 1] - m_values[i];
        const double alpha = std::abs(secants[i]) > 0 ? m_tangents[i] / secants[i] : 0;
        const double beta = std::abs(secants[i]) > 0 ? m_tangents[i + 1] / secants[i] : 0;
        if (std::abs(rise) < FLAT || std::abs(alpha) < FLAT || std::abs(beta) < FLAT) {
            m_tangents[i] = 0;
            m_tangents[i + 1] = 0;
            continue;
        }
        const double radius = alpha * alpha + beta * beta;
        if (radius > 9) {
            const double tau = 3 / std::sqrt(radius);
            m_tangents[i] = tau * alpha * secants[i];
            m_tangents[i + 1] = tau * beta * secants[i];
        }
    }
}

double MonotoneCubicSpline::hermite(size_t interval, double position) const
{
    const double x0 = m_positions[interval];
    const double width = m_positions[interval + 1] - x0;
    const double t = (position - x0) / width;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * m_values[interval] + (t3 - 2 * t2 + t) * width * m_tangents[interval] +
           (-2 * t3 + 3 * t2) * m_values[interval + 1] + (t3 - t2) * width * m_tangents[interval + 1];
}

bool MonotoneCubicSpline::evaluate(double position, double& result) const
{
    if (!m_valid || !(position >= m_positions.front() && position <= m_positions.back()))
        return false;
    const auto upper = std::upper_bound(m_positions.begin(), m_positions.end(), position);
    const size_t index = static_cast<size_t>(std::distance(m_positions.begin(), upper));
    const size_t interval = std::min(index == 0 ? 0 : index - 1, m_positions.size() - 2);
    result = hermite(interval, position);
    return true;
}

bool MonotoneCubicSpline::evaluateExtended(double position, double& result) const
{
    if (!m_valid || std::isnan(position))
        return false;
    if (position < m_positions.front()) {
        result = m_values.front() + (position - m_positions.front()) * m_tangents.front();
        return true;
    }
    if (position > m_positions.back()) {
        result = m_values.back() + (position - m_positions.back()) * m_tangents.back();
        return true;
    }
    return evaluate(position, result);
}
