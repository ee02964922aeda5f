#pragma once

#include "sensors/VendorLibrarySensor.h"

// The CS-200 luminance and colour meter, driven with text commands through the maker's library.
class MinoltaCS200Interface : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit MinoltaCS200Interface(int port = -1);
};
