#pragma once

#include "sensors/VendorLibrarySensor.h"

// The i1Pro spectrophotometer, through the maker's "i1Pro.dll".
class I1_Pro : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit I1_Pro(int port = -1);
};
