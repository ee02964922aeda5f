#pragma once

#include "sensors/VendorLibrarySensor.h"

// JETI spectroradiometers, through the maker's "jeti_core.dll".
class JetiSensor : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit JetiSensor(int port = -1);
};
