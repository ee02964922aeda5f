#pragma once

#include <cstdint>
#include <vector>

// Moves a LUT channel between the table's size and the card's ramp size.
//
// Equal sizes copy. A larger ramp (a 256-entry table on a 1024-entry card) holds each
// table entry exactly at the ramp entry that the table's input level selects,
// round(i * (N - 1) / (S - 1)), and interpolates linearly between them, so reading back
// gives the table unchanged. A smaller ramp samples the table by linear interpolation;
// reading it back interpolates again and is only close to the table.
// Table entries go into the ramp as their low 16 bits.
class GammaRampScaler
{
public:
    static std::vector<std::uint16_t> toRamp(const std::vector<int>& channel, int rampSize);
    static std::vector<int> fromRamp(const std::vector<std::uint16_t>& ramp, int tableSize);
};
