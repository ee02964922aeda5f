#pragma once

#include "lut/DisplayIface.h"

enum colorchannel_t : int
{
    COLORCHANNEL_RED = 0,
    COLORCHANNEL_GREEN = 1,
    COLORCHANNEL_BLUE = 2,
};

// Bits of BaseDisplay::GetCommunicationMode(): the ways a display can take calibration results.
constexpr int DISP_COMM_TYPE_GBOARD = 1;
constexpr int DISP_COMM_TYPE_DDCCI = 2;
constexpr int DISP_COMM_TYPE_USB = 8;
