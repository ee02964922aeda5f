#include "sensors/C4Spyder.h"

C4Spyder::C4Spyder(int /*port*/) : C4Spyder(QStringLiteral("Spyder4")) {}

C4Spyder::C4Spyder(const QString& model)
    : VendorLibrarySensor(
          SENSOR_SPYDER, CONNIFACE_USB,
          Driver{
              QStringLiteral("Datacolor"),
              model,
              {QStringLiteral("dccmtr.dll")},
              QStringLiteral("DC_Startup DC_Authorize DC_UseCalibration DC_GetXYZ DC_ReadAmbientLightLevel "
                             "DC_WriteAmbientLightControlRegVal DC_SetLED DC_GetDetailedError DC_Shutdown")
                  .split(QLatin1Char(' '), Qt::SkipEmptyParts),
              QString(),
              true})
{
}
