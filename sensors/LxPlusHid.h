#pragma once

#include "sensors/VendorLibrarySensor.h"

// Lux meters of the LxPlus family that attach as USB HID devices.
class LxPlusHid : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit LxPlusHid(int port = -1);
};
