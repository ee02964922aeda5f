#include "sensors/XriteI1d3.h"

XriteI1d3::XriteI1d3(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_I1D3, CONNIFACE_USB,
          Driver{QStringLiteral("X-Rite"),
                 QStringLiteral("i1Display"),
                 {QStringLiteral("i1d3SDK.dll")},
                 QStringLiteral("i1d3Initialize i1d3OverrideDeviceDefaults i1d3GetNumberOfDevices "
                                "i1d3GetDeviceHandle i1d3DeviceOpen i1d3GetDeviceInfo i1d3GetSerialNumber "
                                "i1d3SetCalibrationFromBuffer i1d3SetMeasurementMode i1d3SetIntegrationTime "
                                "i1d3SetTargetLCDTime i1d3SupportsAIOMode i1d3MeasureXYZ i1d3MeasureAmbient "
                                "i1d3ReadDiffuserPosition i1d3SetLEDControl i1d3DeviceClose i1d3Destroy")
                     .split(QLatin1Char(' '), Qt::SkipEmptyParts),
                 QString(),
                 true})
{
}
