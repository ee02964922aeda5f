#pragma once

#include "sensors/VendorLibrarySensor.h"

// Sequel colorimeters, through the maker's "SipCal.dll".
class CSequel : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit CSequel(int port = -1);
};
