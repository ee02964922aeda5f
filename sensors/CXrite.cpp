#include "sensors/CXrite.h"

CXrite::CXrite(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_XRITE, CONNIFACE_USB,
          Driver{QStringLiteral("X-Rite"),
                 QStringLiteral("Cirrus colorimeter"),
                 {QStringLiteral("CirrusSDK.dll")},
                 QStringLiteral("gmbCirInitialize gmbCirGetNumberOfDevices gmbCirGetDeviceHandle "
                                "gmbCirDeviceOpen gmbCirGetSerialNumber gmbCirSetCalibration "
                                "gmbCirSetMeasurementMode gmbCirSetIntegrationTime gmbCirSetLuminanceUnits "
                                "gmbCirMeasureYxy gmbCirDeviceClose gmbCirDestroy")
                     .split(QLatin1Char(' '), Qt::SkipEmptyParts),
                 QString(),
                 true})
{
}
