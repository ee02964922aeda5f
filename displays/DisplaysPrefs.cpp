#include "displays/DisplaysPrefs.h"

#include "displays/DisplayIdentity.h"

#include <QDebug>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// A product-code byte outside 0-255 is not a byte; it reads as 0 like a missing one.
quint8 byteValue(const QJsonValue& value)
{
    const int number = value.toInt(0);
    return number >= 0 && number <= 255 ? static_cast<quint8>(number) : 0;
}

DisplaysPrefs::DisplayRecord fromJson(const QJsonObject& object)
{
    DisplaysPrefs::DisplayRecord record;
    record.manufacturer = object.value(QLatin1String("manufacturer")).toString();
    record.name = object.value(QLatin1String("name")).toString();
    record.backlight = object.value(QLatin1String("backlight")).toString();
    record.type = object.value(QLatin1String("type")).toString();
    record.vendor3Symbols = object.value(QLatin1String("vendor3Symbols")).toString();
    record.name0xFC = object.value(QLatin1String("name0xFC")).toString();
    record.name0xFE = object.value(QLatin1String("name0xFE")).toString();
    record.productCode0 = byteValue(object.value(QLatin1String("productCode0")));
    record.productCode1 = byteValue(object.value(QLatin1String("productCode1")));
    return record;
}

QJsonObject toJson(const DisplaysPrefs::DisplayRecord& record)
{
    return QJsonObject{
        {QLatin1String("manufacturer"), record.manufacturer},
        {QLatin1String("name"), record.name},
        {QLatin1String("backlight"), record.backlight},
        {QLatin1String("type"), record.type},
        {QLatin1String("vendor3Symbols"), record.vendor3Symbols},
        {QLatin1String("name0xFC"), record.name0xFC},
        {QLatin1String("name0xFE"), record.name0xFE},
        {QLatin1String("productCode0"), int(record.productCode0)},
        {QLatin1String("productCode1"), int(record.productCode1)},
    };
}

} // namespace

DisplaysPrefs::DisplaysPrefs(const QString& path) : m_path(path) {}

int DisplaysPrefs::load()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "DisplaysPrefs::load cannot open" << m_path << file.errorString();
        return -1;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isArray()) {
        qWarning() << "DisplaysPrefs::load" << m_path << "is not a JSON array:" << error.errorString();
        return -1;
    }
    for (const QJsonValue& element : document.array()) {
        if (element.isObject())
            m_records.append(fromJson(element.toObject()));
    }
    qDebug() << "DisplaysPrefs::load" << m_records.size() << "records from" << m_path;
    return 0;
}

bool DisplaysPrefs::save() const
{
    QJsonArray array;
    for (const DisplayRecord& record : m_records)
        array.append(toJson(record));
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(array).toJson()) < 0 || !file.commit()) {
        qWarning() << "DisplaysPrefs::save cannot write" << m_path << file.errorString();
        return false;
    }
    return true;
}

bool DisplaysPrefs::compare(const DisplayRecord& a, const DisplayRecord& b)
{
    return a.vendor3Symbols == b.vendor3Symbols && a.name0xFC == b.name0xFC && a.name0xFE == b.name0xFE &&
           a.productCode0 == b.productCode0 && a.productCode1 == b.productCode1;
}

DisplaysPrefs::DisplayRecord DisplaysPrefs::probeRecord(const DisplayIdentity& identity)
{
    DisplayRecord record;
    record.manufacturer = identity.manufacturer;
    record.name = identity.name;
    record.backlight = QStringLiteral("FlatWLED");
    record.type = QStringLiteral("Color");
    record.vendor3Symbols = identity.vendor3;
    record.name0xFC = identity.name0xFC;
    record.name0xFE = identity.text0xFE;
    record.productCode0 = identity.productCode0;
    record.productCode1 = identity.productCode1;
    return record;
}

const DisplaysPrefs::DisplayRecord* DisplaysPrefs::find(const DisplayIdentity& identity) const
{
    const DisplayRecord probe = probeRecord(identity);
    for (const DisplayRecord& record : m_records) {
        if (compare(record, probe))
            return &record;
    }
    return nullptr;
}

bool DisplaysPrefs::hasRecord(const DisplayIdentity& identity) const
{
    return find(identity) != nullptr;
}

void DisplaysPrefs::getRecord(const DisplayIdentity& identity, QString& manufacturer, QString& name,
                              QString& backlight, QString& type) const
{
    const DisplayRecord defaults = probeRecord(identity);
    const DisplayRecord* found = find(identity);
    const DisplayRecord& record = found ? *found : defaults;
    manufacturer = record.manufacturer;
    name = record.name;
    backlight = record.backlight;
    type = record.type;
}

void DisplaysPrefs::addRecord(const DisplayIdentity& identity, QString manufacturer, QString name,
                              QString backlight, QString type)
{
    DisplayRecord record = probeRecord(identity);
    record.manufacturer = std::move(manufacturer);
    record.name = std::move(name);
    record.backlight = std::move(backlight);
    record.type = std::move(type);
    m_records.append(record);
}

bool DisplaysPrefs::hasRecord(const DisplayInfo& info) const
{
    return hasRecord(DisplayIdentity::fromInfo(info));
}

void DisplaysPrefs::getRecord(const DisplayInfo& info, QString& manufacturer, QString& name,
                              QString& backlight, QString& type) const
{
    getRecord(DisplayIdentity::fromInfo(info), manufacturer, name, backlight, type);
}

void DisplaysPrefs::addRecord(const DisplayInfo& info, QString manufacturer, QString name, QString backlight,
                              QString type)
{
    addRecord(DisplayIdentity::fromInfo(info), std::move(manufacturer), std::move(name), std::move(backlight),
              std::move(type));
}
