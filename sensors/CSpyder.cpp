#include "sensors/CSpyder.h"

CSpyder::CSpyder(int /*port*/)
    : VendorLibrarySensor(SENSOR_SPYDER, CONNIFACE_USB,
                          Driver{QStringLiteral("Datacolor"),
                                 QStringLiteral("Spyder3"),
                                 {QStringLiteral("Spyder3.dll")},
                                 {},
                                 QString(),
                                 true})
{
}
