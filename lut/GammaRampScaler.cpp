#include "lut/GammaRampScaler.h"

#include <cmath>

namespace {

// The entry of `to` levels that input level `i` of `from` levels selects.
int node(int i, int from, int to)
{
    const long long numerator = 2LL * i * (to - 1) + (from - 1);
    return static_cast<int>(numerator / (2LL * (from - 1)));
}

// `values` read at fractional position `position` by linear interpolation.
template <typename T> int interpolate(const std::vector<T>& values, double position)
{
    const int last = static_cast<int>(values.size()) - 1;
    const int below = std::min(static_cast<int>(std::floor(position)), last);
    if (below >= last)
        return values[last];
    const double fraction = position - below;
    return static_cast<int>(
        std::lround(values[below] + (double(values[below + 1]) - values[below]) * fraction));
}

// Linear resampling that keeps both ends: entry j of `size` entries reads `values` at j*(n-1)/(size-1).
template <typename T> std::vector<int> resample(const std::vector<T>& values, int size)
{
    std::vector<int> out(size);
    const int n = static_cast<int>(values.size());
    for (int j = 0; j < size; ++j)
        out[j] = size == 1 ? values.front() : interpolate(values, double(j) * (n - 1) / (size - 1));
    return out;
}

} // namespace

std::vector<std::uint16_t> GammaRampScaler::toRamp(const std::vector<int>& channel, int rampSize)
{
    std::vector<std::uint16_t> table;
    table.reserve(channel.size());
    for (const int entry : channel)
        table.push_back(static_cast<std::uint16_t>(entry & 0xffff));
    const int size = static_cast<int>(table.size());
    if (rampSize <= 0 || size == 0)
        return {};
    if (size == rampSize)
        return table;
    std::vector<std::uint16_t> ramp(rampSize, table.front());
    if (size == 1)
        return ramp;
    if (rampSize < size) {
        const std::vector<int> sampled = resample(table, rampSize);
        return {sampled.begin(), sampled.end()};
    }
    for (int i = 0; i + 1 < size; ++i) {
        const int from = node(i, size, rampSize);
        const int to = node(i + 1, size, rampSize);
        for (int j = from; j <= to; ++j) {
            const double fraction = to == from ? 0.0 : double(j - from) / (to - from);
            ramp[j] = static_cast<std::uint16_t>(
                std::lround(table[i] + (double(table[i + 1]) - table[i]) * fraction));
        }
    }
    return ramp;
}

std::vector<int> GammaRampScaler::fromRamp(const std::vector<std::uint16_t>& ramp, int tableSize)
{
    const int size = static_cast<int>(ramp.size());
    if (tableSize <= 0 || size == 0)
        return {};
    if (size == tableSize)
        return {ramp.begin(), ramp.end()};
    if (size < tableSize || tableSize == 1)
        return resample(ramp, tableSize);
    std::vector<int> table(tableSize);
    for (int i = 0; i < tableSize; ++i)
        table[i] = ramp[node(i, tableSize, size)];
    return table;
}
