#include "sensors/ctl/SensorCommand.h"

#include "app/ctl/CtlContext.h"
#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SerialPorts.h"
#include "sensors/CSensor.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/KaldoSensorHidInternal.h"
#include "sensors/SensorDetector.h"
#include "sensors/SensorFactory.h"
#include "sensors/SmartSensorWrapper.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

struct Found
{
    QString id;
    int displayId = -1;
    std::shared_ptr<CSensor> sensor;
};

QString idOf(const std::shared_ptr<CSensor>& sensor, int index, int port)
{
    if (auto* hid = qobject_cast<KaldoSensorHID*>(sensor.get()))
        return hid->deviceInfo().serialNumber.isEmpty() ? hid->deviceInfo().path
                                                        : hid->deviceInfo().serialNumber;
    const QString className = QString::fromLatin1(sensor->metaObject()->className());
    return sensor->ConnectionInterface() == CONNIFACE_SERIAL
               ? QStringLiteral("%1@%2").arg(className).arg(port)
               : QStringLiteral("%1#%2").arg(className).arg(index);
}

// Every sensor that answers now: the maker's HID sensors one by one (built-in ones with
// their display), then each other registered class that connects.
std::vector<Found> findAll()
{
    SensorFactory::registerAll();
    CurrentDisplays::Refresh();
    std::vector<Found> found;
    for (const HidDeviceInfo& device : Platform::backend().hidDevices().enumerate()) {
        if (!KaldoSensorHID::isKaldoDevice(device))
            continue;
        const QString id = device.serialNumber.isEmpty() ? device.path : device.serialNumber;
        std::shared_ptr<KaldoSensorHID> sensor;
        Found entry;
        if (id.startsWith(QLatin1String("INT"), Qt::CaseInsensitive)) {
            for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
                if (QStringLiteral("INT") + CurrentDisplays::Display(i).serial().trimmed() == id)
                    entry.displayId = CurrentDisplays::DisplayId(i);
            }
            sensor = entry.displayId >= 0 ? std::make_shared<KaldoSensorHidInternal>(entry.displayId)
                                          : std::make_shared<KaldoSensorHID>(id);
        } else if (SmartSensorWrapper(id).accepts(device)) {
            sensor = std::make_shared<SmartSensorWrapper>(id);
        } else {
            sensor = std::make_shared<KaldoSensorHID>(id);
        }
        if (!sensor->IsConnected())
            continue;
        entry.id = id;
        entry.sensor = sensor;
        found.push_back(entry);
    }
    // The serial classes are tried on every numbered port of one listing.
    std::vector<int> serialPorts;
    for (const SerialPortInfo& port : Platform::backend().serialPortEnumeration().enumerate()) {
        if (port.number >= 0)
            serialPorts.push_back(port.number);
    }
    for (const conniface_t iface : {CONNIFACE_USB, CONNIFACE_SERIAL}) {
        for (int index = 0; index < SensorFactory::size(SENSORTYPE_EMISSIVE, iface); ++index) {
            const std::vector<int> ports = iface == CONNIFACE_SERIAL ? serialPorts : std::vector<int>{-1};
            for (const int port : ports) {
                std::shared_ptr<CSensor> sensor =
                    SensorFactory::createInstance(SENSORTYPE_EMISSIVE, iface, index, port);
                if (!sensor || SensorDetector::isKaldoSensor(sensor.get()) || !sensor->IsConnected())
                    continue;
                found.push_back({idOf(sensor, index, port), -1, sensor});
            }
        }
    }
    return found;
}

QJsonObject describe(const Found& entry, bool full)
{
    CSensor& sensor = *entry.sensor;
    QJsonObject object{{QStringLiteral("id"), entry.id},
                       {QStringLiteral("class"), QString::fromLatin1(sensor.metaObject()->className())},
                       {QStringLiteral("vendor"), sensor.vendor()},
                       {QStringLiteral("model"), sensor.model()},
                       {QStringLiteral("serial"), sensor.serial()},
                       {QStringLiteral("interface"), sensor.ConnectionInterface() == CONNIFACE_USB
                                                         ? QStringLiteral("usb")
                                                         : QStringLiteral("serial")}};
    if (entry.displayId >= 0)
        object.insert(QStringLiteral("display"), entry.displayId);
    if (!full)
        return object;
    object.insert(QStringLiteral("manufacturerId"), sensor.GetSensorManufacturerID());
    object.insert(QStringLiteral("color"), sensor.IsColor());
    object.insert(QStringLiteral("lux"), sensor.LuxMeasureEnabled());
    QString type;
    sensor.getMeasuringTypeString(type);
    object.insert(QStringLiteral("measuringType"), type);
    if (auto* hid = qobject_cast<KaldoSensorHID*>(&sensor)) {
        object.insert(QStringLiteral("path"), hid->deviceInfo().path);
        object.insert(QStringLiteral("firmware"), hid->getFwVersion());
        int group = -1;
        int index = -1;
        if (hid->currentCalibration(group, index))
            object.insert(QStringLiteral("calibration"), QStringLiteral("%1 %2").arg(group).arg(index));
    }
    QRect where;
    if (sensor.GetCoords(where))
        object.insert(QStringLiteral("coords"),
                      QJsonArray{where.x(), where.y(), where.width(), where.height()});
    return object;
}

QString line(const QJsonObject& object)
{
    QString text = QStringLiteral("%1  %2 %3 (%4, %5)")
                       .arg(object.value(QStringLiteral("id")).toString(),
                            object.value(QStringLiteral("vendor")).toString(),
                            object.value(QStringLiteral("model")).toString(),
                            object.value(QStringLiteral("class")).toString(),
                            object.value(QStringLiteral("interface")).toString());
    if (object.contains(QStringLiteral("display")))
        text += QStringLiteral(" built into display %1").arg(object.value(QStringLiteral("display")).toInt());
    return text;
}

bool pick(const QString& id, Found& out)
{
    for (Found& entry : findAll()) {
        if (id.isEmpty() || entry.id.compare(id, Qt::CaseInsensitive) == 0) {
            out = entry;
            return true;
        }
    }
    return false;
}

} // namespace

QString SensorCommand::usage() const
{
    return QStringLiteral("sensor list | sensor measure [ID] [--count N] | sensor info ID");
}

int SensorCommand::run(const CtlContext& context) const
{
    QStringList args = context.arguments();
    const QString verb = args.isEmpty() ? QString() : args.takeFirst();
    if (verb == QLatin1String("list")) {
        QJsonArray sensors;
        QStringList lines;
        for (const Found& entry : findAll()) {
            const QJsonObject object = describe(entry, false);
            sensors.append(object);
            lines << line(object);
        }
        if (lines.isEmpty())
            lines << QStringLiteral("no sensor found");
        return context.answer({{QStringLiteral("sensors"), sensors}}, lines.join(QLatin1Char('\n')));
    }
    if (verb == QLatin1String("info")) {
        if (args.size() != 1)
            return context.fail(QStringLiteral("usage: ") + usage(), 2);
        Found entry;
        if (!pick(args.first(), entry))
            return context.fail(QStringLiteral("no sensor \"%1\"").arg(args.first()));
        const QJsonObject object = describe(entry, true);
        QStringList lines;
        for (auto it = object.begin(); it != object.end(); ++it)
            lines << QStringLiteral("%1: %2").arg(it.key(),
                                                  it.value().isArray() || it.value().isBool()
                                                      ? QString::number(it.value().toVariant().toBool())
                                                      : it.value().toVariant().toString());
        return context.answer(object, lines.join(QLatin1Char('\n')));
    }
    if (verb == QLatin1String("measure")) {
        int count = 1;
        QString id;
        for (int i = 0; i < args.size(); ++i) {
            if (args.at(i) == QLatin1String("--count") && i + 1 < args.size()) {
                bool ok = false;
                count = args.at(++i).toInt(&ok);
                if (!ok || count < 1 || count > 1000)
                    return context.fail(QStringLiteral("--count takes a number from 1 to 1000"), 2);
            } else if (id.isEmpty()) {
                id = args.at(i);
            } else {
                return context.fail(QStringLiteral("usage: ") + usage(), 2);
            }
        }
        Found entry;
        if (!pick(id, entry))
            return context.fail(id.isEmpty() ? QStringLiteral("no sensor found")
                                             : QStringLiteral("no sensor \"%1\"").arg(id));
        CSensor& sensor = *entry.sensor;
        sensor.Initialize(CSensor::LCD);
        QJsonArray readings;
        QStringList lines;
        for (int i = 0; i < count; ++i) {
            QJsonObject reading;
            double xyz[3] = {};
            double luminance = 0;
            if (sensor.IsColor() ? sensor.GetXYZ(xyz) : sensor.GetLuminance(luminance)) {
                if (sensor.IsColor())
                    luminance = xyz[1];
                reading = {{QStringLiteral("X"), xyz[0]},
                           {QStringLiteral("Y"), luminance},
                           {QStringLiteral("Z"), xyz[2]}};
                lines << (sensor.IsColor()
                              ? QStringLiteral("X %1 Y %2 Z %3 cd/m²").arg(xyz[0]).arg(xyz[1]).arg(xyz[2])
                              : QStringLiteral("%1 cd/m²").arg(luminance));
            } else {
                return context.fail(QStringLiteral("measurement %1 failed").arg(i + 1));
            }
            if (sensor.LuxMeasureEnabled() && sensor.SetOption(0, true)) {
                // With option 0 on, the maker's sensor looks at the room instead of the panel and
                // its Y is the illuminance in hundreds of lux, not a luminance: the ambient light
                // task scales it the same way, and the two must agree on what a room measures.
                double room = 0;
                if (sensor.GetLuminance(room)) {
                    reading.insert(QStringLiteral("lux"), room * 100.0);
                    lines.last() += QStringLiteral(", %1 lx").arg(room * 100.0);
                }
                sensor.SetOption(0, false);
            } else if (sensor.LuxMeasureEnabled()) {
                // A lux meter reads the room itself.
                double lux = 0;
                if (sensor.getAmbientLuminanceLux(lux)) {
                    reading.insert(QStringLiteral("lux"), lux);
                    lines.last() += QStringLiteral(", %1 lx").arg(lux);
                }
            }
            readings.append(reading);
        }
        return context.answer({{QStringLiteral("sensor"), entry.id}, {QStringLiteral("readings"), readings}},
                              lines.join(QLatin1Char('\n')));
    }
    return context.fail(QStringLiteral("usage: ") + usage(), 2);
}
