#include "sensors/CSensor.h"

#include <QDebug>

CSensor::CSensor() = default;

CSensor::CSensor(sensortype_t manufacturer, conniface_t iface) : m_manufacturer(manufacturer), m_iface(iface)
{
}

CSensor::~CSensor() = default;

bool CSensor::GetIllumination(double& /*lux*/, double& /*colorTemperature*/)
{
    return false;
}

int CSensor::GetMeasuringType()
{
    return LCD;
}

bool CSensor::IsMeasuringTypeSupport(int type)
{
    return (type >= 0 && type <= 3) || type == RGBLED;
}

bool CSensor::setDisplaySpecificMeasuringType(const DisplayInfo& /*display*/)
{
    return true;
}

bool CSensor::canFetchMeasuringType()
{
    return false;
}

void CSensor::getDisplaySpecificMeasuringType(const DisplayInfo& /*display*/) {}

QString CSensor::measuringTypeText(int type)
{
    switch (type) {
    case CRT:
        return tr("CRT");
    case LCD:
        return tr("LCD");
    case WhiteLED:
        return tr("White LED");
    case RGBLED:
        return tr("RGB LED");
    case GBrLED:
        return tr("GB-r LED");
    case OLED:
        return tr("OLED");
    default:
        return tr("LED");
    }
}

void CSensor::getMeasuringTypeString(QString& text)
{
    text = measuringTypeText(GetMeasuringType());
}

bool CSensor::hasConnectionProblems(QString& /*message*/)
{
    return false;
}

void CSensor::DestroyConnectionHandle() {}

bool CSensor::Initialize(int type)
{
    return setMeasuringType(type) && SetParameters();
}

bool CSensor::Calibrate()
{
    return InternalCalibrate();
}

void CSensor::setReading(double X, double Y, double Z)
{
    m_X = X;
    m_Y = Y;
    m_Z = Z;
}

bool CSensor::GetLuminance(double& luminance)
{
    if (!DoMeasure())
        return false;
    if (!IsColor())
        m_correction.ApplyCorrection(m_X, m_Y, m_Z);
    luminance = m_Y;
    return true;
}

bool CSensor::GetXYZ(double xyz[3])
{
    if (!IsColor())
        return false;
    if (!DoMeasure())
        return false;
    m_correction.ApplyCorrection(m_X, m_Y, m_Z);
    xyz[0] = m_X;
    xyz[1] = m_Y;
    xyz[2] = m_Z;
    return true;
}

bool CSensor::GetXYZonBase(double xyz[3])
{
    return GetXYZ(xyz);
}

bool CSensor::GetLuminanceWithLog(double& luminance)
{
    const bool ok = GetLuminance(luminance);
    log(QStringLiteral("Luminance = %1").arg(luminance));
    return ok;
}

bool CSensor::GetXYZWithLog(double xyz[3])
{
    const bool ok = GetXYZ(xyz);
    log(QStringLiteral("X = %1, Y = %2, Z = %3").arg(xyz[0]).arg(xyz[1]).arg(xyz[2]));
    return ok;
}

bool CSensor::getSpectrumMeas(std::vector<double>& /*wavelengths*/, std::vector<double>& /*spectra*/)
{
    return false;
}

bool CSensor::IsSpectrumMeasSupport()
{
    return false;
}

bool CSensor::getAmbientLuminanceLux(double& lux)
{
    return GetLuminance(lux);
}

QString CSensor::getAmbientLuxMessage()
{
    return tr("Please place the measuring device facing away from the display to measure the ambient light.");
}

bool CSensor::IsSensorCalibrationNeeded()
{
    return true;
}

bool CSensor::IsColor()
{
    return true;
}

bool CSensor::CanbeMoved()
{
    return true;
}

bool CSensor::hasOwnSleep()
{
    return false;
}

bool CSensor::IsColorPatch()
{
    return false;
}

void CSensor::ShowPatch(int /*r*/, int /*g*/, int /*b*/) {}

void CSensor::DisableIntegratedPatch() {}

bool CSensor::isSensorReady(QString& /*title*/, QString& /*message*/)
{
    return true;
}

bool CSensor::isAmbientSensorReady(QString& /*title*/, QString& /*message*/)
{
    return true;
}

bool CSensor::InitPrinterMode()
{
    return false;
}

bool CSensor::IsReflectiveMeasureReady()
{
    return false;
}

void CSensor::cleanPressedButtons() {}

QString CSensor::getReflectedVeilingLightMessage(bool automatic)
{
    if (!automatic)
        return tr("Please switch off the display manually and switch on it again after 1 minute.");
    return tr("To measure veiling luminance light on the display panel, please hold the measuring device 50 "
              "cm "
              "away from the display facing the screen.") +
           QLatin1Char(' ') + tr("The display will be switched off and on again automatically.");
}

QString CSensor::getIlluminationdLightMessage(bool automatic)
{
    const QString hold = tr("Please hold your measuring device perpendicularly to the screen surface.");
    if (automatic)
        return hold + QLatin1Char(' ') +
               tr("Click \"OK\" and the software will automatically perform the measurement.");
    return hold + QLatin1Char(' ') +
           tr("Please switch off the display manually and switch on it again after 1 minute.");
}

bool CSensor::GetPatchSizes(int& /*width*/, int& /*height*/, int& /*distance*/)
{
    return false;
}

QString CSensor::GetCalibrationSensorMessage()
{
    return tr("Please place the measuring device on its dark cap or face down on the table.");
}

QString CSensor::GetMeasureSensorMessage()
{
    return tr("Please place the measuring device in the middle of the screen.");
}

bool CSensor::IsDistance()
{
    return false;
}

bool CSensor::isDINBCompatible()
{
    return false;
}

void CSensor::SetSensorCorrection(const SensorCorrection& correction)
{
    m_correction = correction;
}

bool CSensor::SetOption(int /*option*/, bool /*on*/)
{
    return false;
}

bool CSensor::GetCoords(QRect& /*coords*/)
{
    return false;
}

int CSensor::measureAnimationId(int /*type*/)
{
    return 0;
}

int CSensor::calibrationAnimationId()
{
    return 0;
}

void CSensor::setLEDStatus(int /*state*/) {}

int CSensor::GetSensorTargetShape()
{
    return 0;
}

bool CSensor::LuxMeasureEnabled()
{
    return false;
}

bool CSensor::isLuxMeasurementOptional()
{
    return false;
}

void CSensor::setInternalVerificationMode(bool on)
{
    m_internalVerificationMode = on;
}

bool CSensor::calibrationDate(QDateTime& /*date*/)
{
    return false;
}

bool CSensor::specificCorrelationHandling()
{
    return false;
}

bool CSensor::hasMeasurementLimitation(double& /*limit*/)
{
    return false;
}

void CSensor::log(const QString& text) const
{
    qDebug().noquote() << metaObject()->className() << text;
}
