#pragma once

#include "sensors/VendorLibrarySensor.h"

// Spyder4 colorimeters, through the maker's "dccmtr.dll".
class C4Spyder : public VendorLibrarySensor
{
    Q_OBJECT
public:
    explicit C4Spyder(int port = -1);

protected:
    // The later models speak through the same library and entry points.
    explicit C4Spyder(const QString& model);
};
