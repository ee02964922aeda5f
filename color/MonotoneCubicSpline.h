#pragma once

#include <cstddef>
#include <vector>

// Fritsch-Carlson monotone cubic Hermite interpolation through sorted points: it
// never overshoots between samples, so a rising luminance table stays rising.
class MonotoneCubicSpline
{
public:
    MonotoneCubicSpline(std::vector<double> positions, std::vector<double> values);

    // At least two points with strictly increasing positions.
    bool isValid() const { return m_valid; }
    // False (and `result` untouched) when the spline is invalid or `position` lies
    // outside the points' range.
    bool evaluate(double position, double& result) const;
    // Like evaluate, but continues along the end tangents beyond the range.
    bool evaluateExtended(double position, double& result) const;

private:
    void computeTangents();
    double hermite(std::size_t interval, double position) const;

    std::vector<double> m_positions;
    std::vector<double> m_values;
    std::vector<double> m_tangents;
    bool m_valid = false;
};
