#pragma once

#include "lut/LUT.h"
#include "platform/GammaRampDevice.h"

#include <gtest/gtest.h>
#include <optional>

class SimGammaRamps;

// A simulated workstation whose outputs cover the ramp sizes and driver faults the
// video-card LUT meets: 256-entry outputs DP-1 and DP-2, a 1024-entry HDMI-1, a 16-entry
// VGA-1, an unplugged DP-3, and outputs whose driver refuses writes (DP-4 twice, DP-5
// always), refuses the ramp (DP-6) or cannot read it (DP-7). DP-8 to DP-10 sit on Matrox
// board ports (10-bit; 8-bit refusing uploads; a failing port query), DP-11 to DP-13 on
// Xenia board displays 1 to 3 (1024 entries with a 3 x 2 grid; refusing to enable; not Xenia).
// DP-14's driver drops a repeated identical ramp, as Windows drivers do.
class SimGammaFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    static const SimGammaRamps& simRamps();
    static std::optional<GammaRamp> cardRamp(const QString& output);
    static int writes(const QString& output);
    // Three channels of 256 entries following a power curve up to `top`, each channel
    // a little apart so a mixed-up channel shows.
    static luts_t curveTable(double exponent, int top = 65280);
};
