#include "sensors/SensorCorrection.h"

#include <algorithm>

SensorCorrection SensorCorrection::regression(const std::array<std::array<double, 4>, 3>& rows)
{
    SensorCorrection correction;
    correction.m_type = Regression;
    correction.m_rows = rows;
    return correction;
}

SensorCorrection SensorCorrection::luminanceInterpolation(std::vector<Point> points)
{
    SensorCorrection correction;
    std::sort(points.begin(), points.end(),
              [](const Point& a, const Point& b) { return a.measured < b.measured; });
    correction.m_type = points.empty() ? None : LuminanceInterpolation;
    correction.m_points = std::move(points);
    return correction;
}

SensorCorrection SensorCorrection::channelInterpolation(std::array<std::vector<Point>, 3> channels)
{
    SensorCorrection correction;
    bool any = false;
    for (auto& points : channels) {
        std::sort(points.begin(), points.end(),
                  [](const Point& a, const Point& b) { return a.measured < b.measured; });
        any = any || !points.empty();
    }
    correction.m_type = any ? ChannelInterpolation : None;
    correction.m_channels = std::move(channels);
    return correction;
}

// Piecewise linear through the points, extended beyond the ends by the ratio at the nearest
// end so that small readings are not pushed below zero by an offset.
double SensorCorrection::interpolate(const std::vector<Point>& points, double value)
{
    if (points.empty())
        return value;
    if (value <= points.front().measured) {
        const Point& p = points.front();
        return p.measured > 0 ? value * p.reference / p.measured : value;
    }
    if (value >= points.back().measured) {
        const Point& p = points.back();
        return p.measured > 0 ? value * p.reference / p.measured : value;
    }
    const auto high = std::upper_bound(points.begin(), points.end(), value,
                                       [](double v, const Point& p) { return v < p.measured; });
    const auto low = high - 1;
    const double span = high->measured - low->measured;
    if (span <= 0)
        return low->reference;
    const double t = (value - low->measured) / span;
    return low->reference + t * (high->reference - low->reference);
}

void SensorCorrection::ApplyCorrection(double& X, double& Y, double& Z) const
{
    switch (m_type) {
    case None:
        return;
    case Regression: {
        const double in[3] = {X, Y, Z};
        double out[3];
        for (size_t r = 0; r < 3; ++r)
            out[r] = m_rows[r][0] * in[0] + m_rows[r][1] * in[1] + m_rows[r][2] * in[2] + m_rows[r][3];
        X = out[0];
        Y = out[1];
        Z = out[2];
        return;
    }
    case LuminanceInterpolation: {
        if (Y <= 0)
            return;
        const double factor = interpolate(m_points, Y) / Y;
        X *= factor;
        Y *= factor;
        Z *= factor;
        return;
    }
    case ChannelInterpolation:
        X = interpolate(m_channels[0], X);
        Y = interpolate(m_channels[1], Y);
        Z = interpolate(m_channels[2], Z);
        return;
    }
}
