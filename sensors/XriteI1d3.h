#pragma once

#include "sensors/VendorLibrarySensor.h"

// i1d3 colorimeters, through the maker's "i1d3SDK.dll".
class XriteI1d3 : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit XriteI1d3(int port = -1);
};
