#pragma once

#include "sensors/VendorLibrarySensor.h"

// SpectraScan spectroradiometers on a serial port.
class CSpectraScanSensor : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit CSpectraScanSensor(int port = -1);
};
