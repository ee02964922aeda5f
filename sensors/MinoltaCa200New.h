#pragma once

#include "sensors/VendorLibrarySensor.h"

// The CA-200 colour analyser, whose maker's SDK is a COM object.
class MinoltaCa200New : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit MinoltaCa200New(int port = -1);
};
