#include "sensors/C4Spyder.h"

C4Spyder::C4Spyder(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_SPYDER, CONNIFACE_USB,
          Driver{
              QStringLiteral("Datacolor"),
              QStringLiteral("Spyder4"),
              {QStringLiteral("dccmtr.dll")},
              QStringLiteral("DC_Startup DC_Authorize DC_UseCalibration DC_GetXYZ DC_ReadAmbientLightLevel "
                             "DC_WriteAmbientLightControlRegVal DC_SetLED DC_GetDetailedError DC_Shutdown")
                  .split(QLatin1Char(' '), Qt::SkipEmptyParts),
              QString(),
              true})
{
}
