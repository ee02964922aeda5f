#include "sensors/GossenM508Sensor.h"

GossenM508Sensor::GossenM508Sensor(int /*port*/)
    : VendorLibrarySensor(SENSOR_GOSSEN, CONNIFACE_USB,
                          Driver{QStringLiteral("Gossen"),
                                 QStringLiteral("M508"),
                                 {QStringLiteral("FTD2XX.dll"), QStringLiteral("libftd2xx.so")},
                                 {},
                                 QString(),
                                 false})
{
}
