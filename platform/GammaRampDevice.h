#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The three channels (red, green, blue) of a video card's gamma ramp, 16-bit words,
// all of the device's ramp size.
using GammaRamp = std::array<std::vector<std::uint16_t>, 3>;

// The gamma ramp of one display output, held open while the caller reads and writes it
// (a device context on Windows, a connection and the output's CRTC under X). Not
// thread-safe: one user at a time, on the thread that opened it (under X it holds the
// process-wide X lock), released by destroying it.
class GammaRampDevice
{
public:
    virtual ~GammaRampDevice() = default;

    // Entries per channel of the card's ramp for this output.
    virtual int rampSize() const = 0;
    // The ramp the card holds now, each channel of `rampSize()` entries.
    virtual bool read(GammaRamp& ramp) = 0;
    // Loads `ramp` into the card; every channel must have `rampSize()` entries.
    virtual bool write(const GammaRamp& ramp) = 0;
    // Why the last read or write failed.
    virtual QString lastError() const = 0;
    // True when the driver drops a ramp equal to the one it holds, so a forced load must
    // show another table (the linear one) first to be taken at all.
    virtual bool ignoresRepeatedRamp() const { return false; }
};
