#pragma once

#include "lut/LUT.h"

// What the LUTs of Matrox boards share: they belong to one display id, load the board's
// own ramp rather than the system's, and take 16-bit entries.
class BaseMatroxLUT : public LUT
{
    Q_OBJECT
public:
    explicit BaseMatroxLUT(int displayId, QObject* parent = nullptr);

    int displayId() const { return m_displayId; }
    bool isSystemLut() override { return true; }

protected:
    // The first `size` entries of the first three channels as 16-bit words; nothing (and
    // "Wrong LUT size!" logged) when the table is smaller.
    static std::vector<std::vector<std::uint16_t>> boardTable(const luts_t& table, int size);

private:
    const int m_displayId;
};
