#include "qa/UniformityCheck.h"

#include <algorithm>
#include <cmath>

std::optional<double> UniformityCheck::deviation(const std::vector<double>& readings)
{
    if (readings.empty() ||
        std::any_of(readings.begin(), readings.end(), [](double v) { return !std::isfinite(v) || v < 0; }))
        return std::nullopt;
    const auto [low, high] = std::minmax_element(readings.begin(), readings.end());
    const double sum = *high + *low;
    if (sum <= 0)
        return 0.0;
    return std::round(200 * (*high - *low) / sum * 100) / 100;
}

bool UniformityCheck::checkUniformity(double value, double limit)
{
    if (limit > 0)
        return value <= limit;
    return limit <= value && value <= 0;
}
