#include "displays/BaseDisplay.h"

#include "lut/LUT.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

BaseDisplay::BaseDisplay(int displayId, QObject* parent) : QObject(parent), m_displayId(displayId) {}

BaseDisplay::~BaseDisplay() = default;

void BaseDisplay::connect()
{
    m_ok = true;
}

void BaseDisplay::disconnect()
{
    m_ok = true;
}

void BaseDisplay::on()
{
    m_ok = false;
}

void BaseDisplay::off()
{
    m_ok = false;
}

QString BaseDisplay::realName()
{
    return QStringLiteral("unknown");
}

int BaseDisplay::displaySwitchingOffDelayMs()
{
    return 10000;
}

void BaseDisplay::sleepStart()
{
    m_ok = false;
}

void BaseDisplay::sleepStop()
{
    m_ok = false;
}

void BaseDisplay::makeReset()
{
    m_ok = false;
}

bool BaseDisplay::isPowerControlAvaiable()
{
    return false;
}

// Asking is always answered; the answer is "no such channel".
bool BaseDisplay::isChannelAvailable(colorchannel_t /*channel*/, unsigned* max)
{
    if (max)
        *max = static_cast<unsigned>(-1);
    m_ok = true;
    return false;
}

int BaseDisplay::channel(colorchannel_t /*channel*/)
{
    m_ok = false;
    return -1;
}

void BaseDisplay::setChannel(colorchannel_t /*channel*/, unsigned /*value*/)
{
    m_ok = false;
}

bool BaseDisplay::isContrastAvailable(unsigned* max)
{
    if (max)
        *max = static_cast<unsigned>(-1);
    m_ok = false;
    return false;
}

int BaseDisplay::contrast()
{
    m_ok = false;
    return -1;
}

void BaseDisplay::setContrast(unsigned /*value*/)
{
    m_ok = false;
}

bool BaseDisplay::isBrightnessAvailable(unsigned* max)
{
    if (max)
        *max = static_cast<unsigned>(-1);
    m_ok = false;
    return false;
}

unsigned BaseDisplay::brightness()
{
    m_ok = false;
    return 0;
}

double BaseDisplay::temperature()
{
    return -1.0;
}

double BaseDisplay::operationHours()
{
    return -1.0;
}

double BaseDisplay::lifetimeHours()
{
    return -1.0;
}

void BaseDisplay::setBrightness(unsigned /*value*/)
{
    m_ok = false;
}

int BaseDisplay::brightnessVisibleStep()
{
    return 20;
}

bool BaseDisplay::isAutoBrightnessAvailable()
{
    return false;
}

void BaseDisplay::setAutoBrightness(bool /*enable*/, int /*level*/)
{
    m_ok = false;
}

bool BaseDisplay::isAutoBrightnessByCandelasAvailable()
{
    return false;
}

void BaseDisplay::setAutoBrightnessByCandelas(double /*candelas*/) {}

bool BaseDisplay::isColor()
{
    m_ok = true;
    return false;
}

// A plain display has no LUT of its own.
void BaseDisplay::attachInternalLUT()
{
    m_lut.reset();
    m_ok = false;
}

void BaseDisplay::detachInternalLUT()
{
    m_lut.reset();
}

namespace {
QMutex g_sensorProviderMutex;
BaseDisplay::SensorProvider g_sensorProvider;
} // namespace

void BaseDisplay::setBuiltInSensorProvider(SensorProvider provider)
{
    QMutexLocker locker(&g_sensorProviderMutex);
    g_sensorProvider = std::move(provider);
}

void BaseDisplay::setSensor(std::shared_ptr<CSensor> sensor)
{
    m_sensor = std::move(sensor);
    m_sensorLookedUp = true;
}

std::shared_ptr<CSensor> BaseDisplay::sensor()
{
    m_ok = true;
    if (!m_sensorLookedUp) {
        SensorProvider provider;
        {
            QMutexLocker locker(&g_sensorProviderMutex);
            provider = g_sensorProvider;
        }
        // Asked once the sensor classes are there: a display may be built before them.
        if (provider) {
            m_sensorLookedUp = true;
            m_sensor = provider(m_displayId);
        }
    }
    return m_sensor;
}

bool BaseDisplay::isBackLightSensor()
{
    return false;
}

void BaseDisplay::setMultiBrightness(unsigned value)
{
    setBrightness(value);
}

void BaseDisplay::setMultiContrast(unsigned value)
{
    setContrast(value);
}

bool BaseDisplay::canEstimateBrightness()
{
    return false;
}

int BaseDisplay::estimateBrightness(double /*candelas*/)
{
    return -1;
}

bool BaseDisplay::isDisplayUnstable()
{
    return false;
}

int BaseDisplay::brightnessStabilizationTime()
{
    return 5000;
}

int BaseDisplay::brightnessStabilizationTimeLong()
{
    return 3 * brightnessStabilizationTime();
}

int BaseDisplay::contrastStabilizationTime()
{
    return 5000;
}

bool BaseDisplay::hardwareReconnect()
{
    return true;
}

bool BaseDisplay::unlockHardware()
{
    return true;
}

bool BaseDisplay::lockBrightness()
{
    return true;
}

bool BaseDisplay::unlockBrightness()
{
    return true;
}

bool BaseDisplay::BeforeCalibration()
{
    return true;
}

bool BaseDisplay::AfterCalibration()
{
    return true;
}

bool BaseDisplay::afterAnyProcess()
{
    return true;
}

bool BaseDisplay::beforeAnyProcess()
{
    return true;
}

bool BaseDisplay::sensorHavePatch()
{
    return false;
}

int BaseDisplay::GetCommunicationMode()
{
    return DISP_COMM_TYPE_GBOARD;
}

void* BaseDisplay::display()
{
    return nullptr;
}

QStringList BaseDisplay::GetLUTNames()
{
    return {QStringLiteral("N/A")};
}

int BaseDisplay::getDisplayDelay()
{
    return 0;
}

bool BaseDisplay::isDisplayWarmed()
{
    return true;
}

bool BaseDisplay::hasAmbientConditions()
{
    return false;
}

bool BaseDisplay::ambientConditions(double& /*temperature*/, double& /*humidity*/)
{
    return false;
}

bool BaseDisplay::setAmbientConditions(double /*temperature*/, double /*humidity*/)
{
    return false;
}

bool BaseDisplay::hasPresenceSensor()
{
    return false;
}

bool BaseDisplay::hasAmbientSensor()
{
    return false;
}

bool BaseDisplay::presenceSensor(bool& /*present*/)
{
    return false;
}

bool BaseDisplay::setPresenceSensor(bool /*enable*/)
{
    return false;
}

void BaseDisplay::notifyAboutPresenceSensorDeactivation() {}

void BaseDisplay::setCalibrationDate(QDateTime /*date*/) {}

void BaseDisplay::setCalibrationTarget(QString /*target*/, double /*luminance*/, int /*whitePoint*/) {}

QString BaseDisplay::getUserFriendlySerialNumber()
{
    return {};
}

QString BaseDisplay::getSpecialLockHardwareID()
{
    return {};
}

bool BaseDisplay::colorGainsBeforeLUT()
{
    return true;
}

bool BaseDisplay::hasSpecificWhiteLevelRange(int& /*minLow*/, int& /*minHigh*/, int& /*maxLow*/,
                                             int& /*maxHigh*/)
{
    return false;
}

LUT* BaseDisplay::lut()
{
    m_ok = true;
    return m_lut.get();
}

void BaseDisplay::attachLUT(LUT* lut)
{
    detachInternalLUT();
    m_lut.reset(lut);
    m_ok = true;
}

std::map<QString, QString> BaseDisplay::getDisplaySettings()
{
    std::map<QString, QString> settings;
    if (isBrightnessAvailable(nullptr))
        settings[QStringLiteral("brightness")] = QString::number(brightness());
    if (isContrastAvailable(nullptr))
        settings[QStringLiteral("contrast")] = QString::number(contrast());
    return settings;
}

// A setting the display has but the map lacks stops here: applying half a stored
// state would leave the display in a combination nobody calibrated.
bool BaseDisplay::setDisplaySettings(std::map<QString, QString> settings)
{
    if (isBrightnessAvailable(nullptr)) {
        const auto it = settings.find(QStringLiteral("brightness"));
        if (it == settings.end()) {
            qDebug() << "BaseDisplay::setDisplaySettings no brightness for display" << m_displayId;
            return false;
        }
        setBrightness(it->second.toUInt());
    }
    if (isContrastAvailable(nullptr)) {
        const auto it = settings.find(QStringLiteral("contrast"));
        if (it == settings.end()) {
            qDebug() << "BaseDisplay::setDisplaySettings no contrast for display" << m_displayId;
            return false;
        }
        setContrast(it->second.toUInt());
    }
    return true;
}
