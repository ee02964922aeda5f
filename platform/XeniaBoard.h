#pragma once

#include <cstdint>
#include <vector>

// A Matrox board with per-display uniformity correction, reached through its video
// card's control channel. Not thread-safe.
class XeniaBoard
{
public:
    virtual ~XeniaBoard() = default;

    virtual bool isXenia() = 0;
    // Entries per channel of the board's gamma ramp.
    virtual int rampSize() = 0;
    // GamSetRamp: three channels of `rampSize()` 16-bit entries.
    virtual bool setRamp(const std::vector<std::vector<std::uint16_t>>& ramp) = 0;
    // GamEnable: switches the loaded ramp on or off.
    virtual bool enableRamp(bool enable) = 0;
    // The uniformity grid, columns by rows of areas.
    virtual int gridColumns() = 0;
    virtual int gridRows() = 0;
    // Correction values in groups of four (column, row, level, factor); nothing when none is loaded.
    virtual std::vector<double> uniformity() = 0;
    virtual bool setUniformity(const std::vector<double>& values) = 0;
    virtual bool enableUniformity(bool enable) = 0;
};
