#include "sensors/JetiSensor.h"

JetiSensor::JetiSensor(int /*port*/)
    : VendorLibrarySensor(SENSOR_JETI, CONNIFACE_USB,
                          Driver{QStringLiteral("JETI"),
                                 QStringLiteral("JETI spectroradiometer"),
                                 {QStringLiteral("jeti_core.dll"), QStringLiteral("libjeti_core.so")},
                                 {},
                                 QString(),
                                 true})
{
}
