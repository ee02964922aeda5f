#include "sensors/LxPlusHid.h"

LxPlusHid::LxPlusHid(int /*port*/)
    : VendorLibrarySensor(SENSOR_LXPLUS, CONNIFACE_USB,
                          Driver{QStringLiteral("LxPlus"),
                                 QStringLiteral("LxPlus HID"),
                                 {},
                                 {},
                                 QStringLiteral("the HID protocol of this device is not known"),
                                 false})
{
}
