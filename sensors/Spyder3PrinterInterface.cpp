#include "sensors/Spyder3PrinterInterface.h"

Spyder3PrinterInterface::Spyder3PrinterInterface(int /*port*/)
    : VendorLibrarySensor(SENSOR_SPYDER, CONNIFACE_USB,
                          Driver{QStringLiteral("Datacolor"),
                                 QStringLiteral("Spyder3Print"),
                                 {QStringLiteral("dcscdrv.dll")},
                                 {},
                                 QString(),
                                 true})
{
}
