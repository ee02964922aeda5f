#pragma once

#include "sensors/VendorLibrarySensor.h"

// The Gossen M508 luminance meter behind an FTDI USB serial converter, through the converter maker's
// D2XX library ("FTD2XX.dll", entry points by ordinal; "libftd2xx.so" where that maker ships it).
class GossenM508Sensor : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit GossenM508Sensor(int port = -1);
};
