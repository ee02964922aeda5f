#pragma once

#include "platform/GammaRampDevice.h"

#include <QString>

#include <optional>

// Reads and writes a CRTC's gamma ramp with the plain XRandR calls and nothing of ours,
// as an independent witness of what the X server holds.
class BareXRandr
{
public:
    static std::optional<GammaRamp> readRamp(const QString& display, const QString& output);
    static bool writeRamp(const QString& display, const QString& output, const GammaRamp& ramp);
};
