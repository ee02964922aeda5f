#pragma once

#include "sensors/VendorLibrarySensor.h"

// Colorimeters on the maker's Cirrus library, "CirrusSDK.dll".
class CXrite : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit CXrite(int port = -1);
};
