#pragma once

#include "sensors/VendorLibrarySensor.h"

// The newest Spyder colorimeters, through the maker's "dcxmtr.dll".
class CXSpyder : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit CXSpyder(int port = -1);
};
