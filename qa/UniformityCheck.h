#pragma once

#include <optional>
#include <vector>

// Luminance uniformity of one grey level over the five measuring positions: the
// relative difference between the brightest and the darkest reading.
class UniformityCheck
{
public:
    // 200 × (Lhigh − Llow) / (Lhigh + Llow) in %, rounded to two decimals; 0 for
    // readings that are all black. Empty for no readings or a negative or non-finite one.
    static std::optional<double> deviation(const std::vector<double>& readings);
    // A positive limit is an upper bound; a limit at or below 0 accepts only values
    // between it and 0.
    static bool checkUniformity(double value, double limit);
};
