#pragma once

#include "sensors/VendorLibrarySensor.h"

// Spyder3 colorimeters, through the maker's "Spyder3.dll".
class CSpyder : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit CSpyder(int port = -1);
};
