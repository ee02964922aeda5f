#pragma once

#include "sensors/VendorLibrarySensor.h"

// Spyder5 colorimeters, through the same library as the Spyder4.
class C5Spyder : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit C5Spyder(int port = -1);
};
