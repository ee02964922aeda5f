#include "sensors/CSpectraScanSensor.h"

CSpectraScanSensor::CSpectraScanSensor(int /*port*/)
    : VendorLibrarySensor(SENSOR_SPECTRASCAN, CONNIFACE_SERIAL,
                          Driver{QStringLiteral("SpectraScan"),
                                 QStringLiteral("SpectraScan"),
                                 {},
                                 {},
                                 QStringLiteral("the serial protocol of this device is not known"),
                                 true})
{
}
