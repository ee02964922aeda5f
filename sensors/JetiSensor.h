#pragma once

#include "sensors/VendorLibrarySensor.h"

// JETI spectroradiometers, through the maker's "jeti_core.dll" ("libjeti_core.so" on Linux).
class JetiSensor : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit JetiSensor(int port = -1);
};
