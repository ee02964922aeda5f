#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One display output opened on a Matrox board's display driver (a device context and
// the driver's private escape interface). Not thread-safe; released by destroying it.
class MatroxOutput
{
public:
    virtual ~MatroxOutput() = default;

    // The board port that drives the output; nothing when the output is not on a Matrox
    // port. `failedQuery` then tells which of the two driver queries failed ("1 <code>" or
    // "2 <code>"), or stays empty when both answered and the output is simply elsewhere.
    virtual std::optional<int> boardPort(QString* failedQuery) = 0;
    // Bits per colour channel the output runs (8 or 10), from the driver's settings.
    virtual int bitsPerChannel() = 0;
    // Loads three channels of 256 (8-bit output) or 1024 (10-bit output) 16-bit entries.
    virtual bool uploadTable(int port, const std::vector<std::vector<std::uint16_t>>& table) = 0;
};
