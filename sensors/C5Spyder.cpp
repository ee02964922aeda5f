#include "sensors/C5Spyder.h"

C5Spyder::C5Spyder(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_SPYDER, CONNIFACE_USB,
          Driver{
              QStringLiteral("Datacolor"),
              QStringLiteral("Spyder5"),
              {QStringLiteral("dccmtr.dll")},
              QStringLiteral("DC_Startup DC_Authorize DC_UseCalibration DC_GetXYZ DC_ReadAmbientLightLevel "
                             "DC_WriteAmbientLightControlRegVal DC_SetLED DC_GetDetailedError DC_Shutdown")
                  .split(QLatin1Char(' '), Qt::SkipEmptyParts),
              QString(),
              true})
{
}
