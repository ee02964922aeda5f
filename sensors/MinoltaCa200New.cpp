#include "sensors/MinoltaCa200New.h"

MinoltaCa200New::MinoltaCa200New(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_MINOLTA, CONNIFACE_USB,
          Driver{QStringLiteral("Konica Minolta"),
                 QStringLiteral("CA-200"),
                 {},
                 {},
                 QStringLiteral(
                     "the maker's SDK for this device is a COM object, which this build does not use"),
                 true})
{
}
