#include "qa/LuminanceResponse.h"

#include <algorithm>
#include <cmath>

LuminanceResponse::Result LuminanceResponse::evaluate(const std::vector<double>& luminances, double kdLimit)
{
    Result result;
    result.limit = kdLimit;
    result.limitApplied = kdLimit > 0;
    const bool usable = luminances.size() >= 3 &&
                        std::all_of(luminances.begin(), luminances.end(),
                                    [](double value) { return std::isfinite(value) && value >= 0; });
    if (!usable || !DICOM::GetGraphInfo(luminances, result.graph))
        return result;
    result.valid = true;
    result.kd = result.graph.maxDeviation;
    result.passed = !result.limitApplied || result.kd <= kdLimit;
    return result;
}
