#pragma once

// How a display is talked to, and so where its calibration LUT goes.
enum displayiface_t
{
    DISPIFACE_NONE = -1, // no preference: the display factory chooses
    DISPIFACE_SERIAL = 0,
    DISPIFACE_DDCCI = 1,
    DISPIFACE_VIDEOCARD = 2,
    DISPIFACE_USB = 3,
    DISPIFACE_POWER = 4 // power control only; no LUT goes there
};
