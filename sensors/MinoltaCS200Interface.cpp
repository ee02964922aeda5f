#include "sensors/MinoltaCS200Interface.h"

MinoltaCS200Interface::MinoltaCS200Interface(int /*port*/)
    : VendorLibrarySensor(SENSOR_MINOLTA, CONNIFACE_USB,
                          Driver{QStringLiteral("Konica Minolta"),
                                 QStringLiteral("CS-200"),
                                 {},
                                 {},
                                 QStringLiteral("the maker's library for this device is not known by name"),
                                 true})
{
}
