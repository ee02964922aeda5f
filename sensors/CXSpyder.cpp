#include "sensors/CXSpyder.h"

CXSpyder::CXSpyder(int /*port*/)
    : VendorLibrarySensor(SENSOR_SPYDER, CONNIFACE_USB,
                          Driver{QStringLiteral("Datacolor"),
                                 QStringLiteral("SpyderX"),
                                 {QStringLiteral("dcxmtr.dll")},
                                 QStringLiteral("DCX_Startup DCX_Authorize DCX_UseCalibration DCX_GetXYZ "
                                                "DCX_ReadAmbientLightLevel DCX_GetDetailedError DCX_Shutdown")
                                     .split(QLatin1Char(' '), Qt::SkipEmptyParts),
                                 QString(),
                                 true})
{
}
