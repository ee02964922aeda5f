#include "sensors/I1_Pro.h"

I1_Pro::I1_Pro(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_I1PRO, CONNIFACE_USB,
          Driver{
              QStringLiteral("X-Rite"),
              QStringLiteral("i1Pro"),
              {QStringLiteral("i1Pro.dll")},
              QStringLiteral("I1_GetDevices I1_OpenDevice I1_SetGlobalOption I1_SetOption I1_GetOption "
                             "I1_Calibrate I1_TriggerMeasurement I1_GetNumberOfAvailableSamples "
                             "I1_GetTriStimulus I1_GetSpectrum I1_RegisterDeviceEventHandler I1_CloseDevice")
                  .split(QLatin1Char(' '), Qt::SkipEmptyParts),
              QString(),
              true})
{
}
