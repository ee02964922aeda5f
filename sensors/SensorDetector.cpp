#include "sensors/SensorDetector.h"

#include "sensors/CSensor.h"
#include "sensors/CorrectionList.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/SensorFactory.h"
#include "sensors/SmartSensorWrapper.h"
#include "settings/GlobalData.h"
#include "settings/QSettingsWithSharing.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

std::shared_ptr<CSensor> g_cached;
bool g_calibrated = false;
bool g_problems = false;
QString g_problemMessage;

QSettingsWithSharing sharedSettings()
{
    QString organization = GlobalData::instance().getString(QLatin1String(GLOBALDATA_ORGANIZATION_NAME));
    QString application = GlobalData::instance().getString(QLatin1String(GLOBALDATA_APPLICATION_NAME_PATH));
    if (organization.isEmpty())
        organization = QCoreApplication::organizationName();
    if (application.isEmpty())
        application = QCoreApplication::applicationName();
    return QSettingsWithSharing(QSettings::IniFormat, QSettings::SystemScope, organization, application);
}

} // namespace

std::shared_ptr<CSensor> SensorDetector::detect(int type, conniface_t iface, int port, bool excludeOwn)
{
    qDebug() << "SensorDetector::detect start";
    if (g_cached && g_cached->ConnectionInterface() == iface)
        return g_cached;
    g_calibrated = false;
    g_cached.reset();
    g_cached = noCacheDetect(type, iface, port, excludeOwn, true);
    return g_cached;
}

std::shared_ptr<CSensor> SensorDetector::detect(int port)
{
    return detect(SENSORTYPE_EMISSIVE, CONNIFACE_SERIAL, port, false);
}

std::shared_ptr<CSensor> SensorDetector::detect(int type, int port)
{
    return detect(type, CONNIFACE_SERIAL, port, false);
}

std::shared_ptr<CSensor> SensorDetector::detect(conniface_t iface, int port, bool excludeOwn)
{
    return detect(SENSORTYPE_EMISSIVE, iface, port, excludeOwn);
}

std::shared_ptr<CSensor> SensorDetector::detectReflection(int port)
{
    return detect(SENSORTYPE_REFLECTIVE, CONNIFACE_SERIAL, port, false);
}

std::shared_ptr<CSensor> SensorDetector::detectReflection(conniface_t iface, int port, bool excludeOwn)
{
    return detect(SENSORTYPE_REFLECTIVE, iface, port, excludeOwn);
}

std::shared_ptr<CSensor> SensorDetector::noCacheDetect(int type, conniface_t iface, int port, bool excludeOwn,
                                                       bool tryRemembered)
{
    g_problems = false;
    g_problemMessage.clear();
    std::shared_ptr<CSensor> found = search(type, iface, port, excludeOwn, tryRemembered);
    if (!found && iface == CONNIFACE_SERIAL)
        found = search(type, CONNIFACE_USB, port, false, true);
    return found;
}

std::shared_ptr<CSensor> SensorDetector::search(int type, conniface_t iface, int port, bool excludeOwn,
                                                bool tryRemembered)
{
    const bool onlyOwn =
        GlobalData::instance().getString(QStringLiteral("DisableNonKaldoSensors")) == QLatin1String("true");
    if (onlyOwn)
        qDebug() << "disable non-kaldo sensors";

    const int count = SensorFactory::size(type, iface);
    QSettingsWithSharing settings = sharedSettings();
    const int remembered = settings.value(QStringLiteral("sensor_number"), -1).toInt();
    const int rememberedPort = settings.value(QStringLiteral("sensor_port"), -1).toInt();
    const bool tryFirst = tryRemembered && remembered >= 0 && remembered < count;
    qDebug() << "Sensor Info - " << remembered << rememberedPort << (tryFirst ? "tried first" : "not tried");

    if (excludeOwn)
        port = ExcludeOwnPort;
    std::vector<int> order;
    if (tryFirst)
        order.push_back(remembered);
    for (int i = 0; i < count; ++i) {
        if (!tryFirst || i != remembered)
            order.push_back(i);
    }
    for (const int index : order) {
        const int classPort =
            index == remembered && tryFirst && rememberedPort != -1 && !excludeOwn ? rememberedPort : port;
        std::shared_ptr<CSensor> sensor = SensorFactory::createInstance(type, iface, index, classPort);
        if (!sensor)
            continue;
        const bool own = isKaldoSensor(sensor.get());
        if ((onlyOwn && !own) || (excludeOwn && own))
            continue;
        if (!sensor->IsConnected()) {
            QString message;
            if (sensor->hasConnectionProblems(message)) {
                g_problems = true;
                g_problemMessage = message;
            }
            continue;
        }
        sensor->Initialize(CSensor::LCD);
        sensor->SetSensorCorrection(CorrectionList::instance().GetSensorCorrection(
            sensor->model(), sensor->vendor(), sensor->serial()));
        settings.setValue(QStringLiteral("sensor_number"), index);
        settings.setValue(QStringLiteral("sensor_port"), classPort);
        qDebug() << "SensorDetector: found" << sensor->metaObject()->className() << "class" << index << "port"
                 << classPort;
        return sensor;
    }
    return nullptr;
}

void SensorDetector::release()
{
    qDebug() << "SensorDetector::release()";
    g_cached.reset();
}

std::shared_ptr<CSensor> SensorDetector::cached()
{
    return g_cached;
}

bool SensorDetector::isKaldoSensor(const CSensor* sensor)
{
    return qobject_cast<const KaldoSensorHID*>(sensor) != nullptr ||
           qobject_cast<const SmartSensorWrapper*>(sensor) != nullptr;
}

std::vector<std::shared_ptr<CSensor>> SensorDetector::multidetect(int type)
{
    std::vector<std::shared_ptr<CSensor>> result;
    for (int i = 0; i < SensorFactory::size(type, CONNIFACE_USB); ++i) {
        if (auto sensor = SensorFactory::createInstance(type, CONNIFACE_USB, i, -1))
            result.push_back(std::move(sensor));
    }
    for (int i = 0; i < SensorFactory::size(type, CONNIFACE_SERIAL); ++i) {
        for (int port = 0; port <= 10; ++port) {
            if (auto sensor = SensorFactory::createInstance(type, CONNIFACE_SERIAL, i, port))
                result.push_back(std::move(sensor));
        }
    }
    return result;
}

std::vector<std::shared_ptr<CSensor>> SensorDetector::multiDetect()
{
    return multidetect(SENSORTYPE_EMISSIVE);
}

bool SensorDetector::calibrated()
{
    return g_calibrated;
}

void SensorDetector::setCalibrated(bool calibrated)
{
    g_calibrated = calibrated;
}

bool SensorDetector::hasConnectionProblems(QString& message)
{
    message = g_problemMessage;
    return g_problems;
}
