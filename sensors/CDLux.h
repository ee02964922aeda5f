#pragma once

#include "sensors/VendorLibrarySensor.h"

// CDLux luminance meters, through the maker's "cdluxapi.dll".
class CDLux : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit CDLux(int port = -1);
};
