#include "sensors/CSequel.h"

CSequel::CSequel(int /*port*/)
    : VendorLibrarySensor(
          SENSOR_SEQUEL, CONNIFACE_USB,
          Driver{QStringLiteral("Sequel"),
                 QStringLiteral("Sequel colorimeter"),
                 {QStringLiteral("SipCal.dll")},
                 QStringLiteral("sipOpenUSBCalibrator sipOpenUSBChroma sipOpenUSBChromaPW sipOpenCalibrator "
                                "sipGetCalibratorType sipGetCalibratorSerialNumber sipGetCalibrationDate "
                                "sipSelectCalibration sipSetIntegrationTime sipSetLCDTargetTime "
                                "sipSetDarkCurrentEx sipSetChromaDarkCurrent sipSupportsFunction "
                                "sipAutoMeasureYxy sipG4CLMeasure sipG5Measure sipCloseCalibrator")
                     .split(QLatin1Char(' '), Qt::SkipEmptyParts),
                 QString(),
                 true})
{
}
