#pragma once

#include "sensors/VendorLibrarySensor.h"

// The Spyder3Print reflective measuring device, through the maker's "dcscdrv.dll" (entry points by ordinal).
class Spyder3PrinterInterface : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit Spyder3PrinterInterface(int port = -1);
};
