#include "sensors/CDLux.h"

CDLux::CDLux(int /*port*/)
    : VendorLibrarySensor(SENSOR_CDLUX, CONNIFACE_USB,
                          Driver{QStringLiteral("CDLux"),
                                 QStringLiteral("CDLux luminance meter"),
                                 {QStringLiteral("cdluxapi.dll")},
                                 QStringLiteral("cdlux01_init cdlux01_get_usbnumbers cdlux01_write "
                                                "cdlux01_chk_write cdlux01_read cdlux01_receive")
                                     .split(QLatin1Char(' '), Qt::SkipEmptyParts),
                                 QString(),
                                 false})
{
}
