#include "db/DBDisplays.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"

#include <QCryptographicHash>
#include <QDebug>

#include <atomic>

const QString DBDisplays::TABLE_DISPLAYS = QStringLiteral("Displays");
const QString DBDisplays::TABLE_DISPLAY_INFO = QStringLiteral("DisplayInfo");
const QString DBDisplays::FAIRY_SERIAL = QStringLiteral("FAIRY-TALE");

namespace {

std::atomic<bool> s_checked{false};

const QString kLutNamesSeparator = QStringLiteral("||");
// Fixed salt of the LUT identity hash; the main application computes the same hash.
const QString kHashSalt = QStringLiteral("qtrwmz7hk21pd58xa903bn4lyse");
constexpr int kHashLength = 9;

QString idText(int displayid)
{
    return QString::number(displayid);
}

// A bound null text is NULL in SQL; comparisons want the empty text instead.
QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

QString flagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

// issynchron is 0 while the row still has to reach the server.
QString uploadFlag(bool markForUpload)
{
    return markForUpload ? QStringLiteral("0") : QStringLiteral("1");
}

KaldoDynamicData::Values byId(int displayid)
{
    return {{QStringLiteral("displayid"), idText(displayid)}};
}

KaldoDynamicData::Values byIdAndName(int displayid, const QString& name)
{
    return {{QStringLiteral("displayid"), idText(displayid)}, {QStringLiteral("name"), name}};
}

QList<int> idsOf(KaldoDynamicData::iterator it)
{
    QList<int> ids;
    for (; !it.IsNull(); ++it) {
        bool ok = false;
        const int id = it.value(QStringLiteral("displayid")).toInt(&ok);
        if (ok && !ids.contains(id))
            ids.append(id);
    }
    return ids;
}

QString rectText(const QRect& rect)
{
    return QStringLiteral("%1,%2,%3,%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QRect rectFromText(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return {};
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return {};
    }
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

} // namespace

DBDisplays::DBDisplays() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBDisplays::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE_DISPLAYS),
                                              Schema::table(TABLE_DISPLAY_INFO)};
    return Schema::checkOnce(data, tables, s_checked);
}

int DBDisplays::addDisplay(const QString& serial, int top, int left, int width, int height, bool isactive)
{
    const KaldoDynamicData::Values row{
        {QStringLiteral("serial"), text(serial)},
        {QStringLiteral("top"), QString::number(top)},
        {QStringLiteral("left"), QString::number(left)},
        {QStringLiteral("width"), QString::number(width)},
        {QStringLiteral("height"), QString::number(height)},
        {QStringLiteral("isactive"), isactive ? QStringLiteral("1") : QStringLiteral("0")},
        {QStringLiteral("setInternalSensor"), QStringLiteral("unknow")},
        {QStringLiteral("sensor_type"), QStringLiteral("color")},
        {QStringLiteral("sensor_corr"), QStringLiteral("0")},
        {QStringLiteral("commode"), QString::number(DEFAULT_COMM_MODE)},
        {QStringLiteral("issynchron"), QStringLiteral("0")},
        {QStringLiteral("lut_names"), QStringLiteral("")},
        {QStringLiteral("sensor_coords"), QStringLiteral("")},
        {QStringLiteral("ambient_sensor"), QStringLiteral("true")},
    };
    qint64 newId = -1;
    if (!data_->addinfo(TABLE_DISPLAYS, row, &newId) || newId < 0) {
        qWarning() << "DBDisplays::addDisplay failed for serial" << serial;
        return -1;
    }
    qDebug() << "DBDisplays::addDisplay serial" << serial << "displayid" << newId;
    return static_cast<int>(newId);
}

bool DBDisplays::changeDisplay(int displayid, int top, int left, int width, int height)
{
    return data_->changeinfo(TABLE_DISPLAYS, byId(displayid),
                             {{QStringLiteral("top"), QString::number(top)},
                              {QStringLiteral("left"), QString::number(left)},
                              {QStringLiteral("width"), QString::number(width)},
                              {QStringLiteral("height"), QString::number(height)}});
}

void DBDisplays::findBySerialAndModel(const QString& serial, const QString& model, QList<int>& ids)
{
    // The model the operating system reports lives in the "Model" setting; the model
    // column is filled only once the display's own interface answered. A display
    // without EDID has no model, stored as NULL or as an empty text.
    ids = idsOf(data_->query(
        QStringLiteral(
            "SELECT d.displayid AS displayid FROM Displays d "
            "LEFT JOIN DisplayInfo i ON i.displayid = d.displayid AND i.name = 'Model' "
            "WHERE COALESCE(d.serial, '') = ? "
            "AND (COALESCE(i.value, '') = ? OR (d.model IS NOT NULL AND d.model <> '' AND d.model = ?)) "
            "ORDER BY d.displayid"),
        {text(serial), text(model), text(model)}));
}

void DBDisplays::findBySerial(const QString& serial, QList<int>& ids)
{
    ids = idsOf(data_->query(
        QStringLiteral("SELECT displayid FROM Displays WHERE COALESCE(serial, '') = ? ORDER BY displayid"),
        {text(serial)}));
}

int DBDisplays::findBySerial(const QString& serial)
{
    QList<int> ids;
    findBySerial(serial, ids);
    return ids.isEmpty() ? -1 : ids.first();
}

int DBDisplays::findByAPISerial(const QString& serial)
{
    const QList<int> ids = idsOf(data_->query(
        QStringLiteral("SELECT displayid FROM Displays WHERE api_serial = ? ORDER BY displayid"), {serial}));
    return ids.isEmpty() ? -1 : ids.first();
}

QString DBDisplays::projectorSerial(const QString& serial, const QString& name, int port)
{
    const QString model = name.toLower();
    if (model == QLatin1String("sx80"))
        return serial + QStringLiteral("sx80port_") + QString::number(port);
    if (model == QLatin1String("wux4000") || model == QLatin1String("wux5000"))
        return serial + QStringLiteral("port_") + QString::number(port);
    return serial;
}

int DBDisplays::findByAPISerialAndName(const QString& serial, const QString& name, int port)
{
    const QList<int> ids = idsOf(data_->query(
        QStringLiteral(
            "SELECT displayid FROM Displays WHERE api_serial = ? AND model = ? ORDER BY displayid"),
        {projectorSerial(serial, name, port), name}));
    return ids.isEmpty() ? -1 : ids.first();
}

QList<int> DBDisplays::allDisplayIds()
{
    return idsOf(data_->query(QStringLiteral("SELECT displayid FROM Displays ORDER BY displayid")));
}

QString DBDisplays::column(int displayid, const QString& name)
{
    const auto it = data_->readinfo(TABLE_DISPLAYS, byId(displayid));
    return it.IsNull() ? QString() : it.value(name);
}

int DBDisplays::intColumn(int displayid, const QString& name)
{
    return column(displayid, name).toInt();
}

bool DBDisplays::setColumn(int displayid, const QString& name, const QString& value)
{
    return data_->changeinfo(TABLE_DISPLAYS, byId(displayid), {{name, value}});
}

int DBDisplays::getTop(int displayid)
{
    return intColumn(displayid, QStringLiteral("top"));
}

int DBDisplays::getLeft(int displayid)
{
    return intColumn(displayid, QStringLiteral("left"));
}

int DBDisplays::getWidth(int displayid)
{
    return intColumn(displayid, QStringLiteral("width"));
}

int DBDisplays::getHeight(int displayid)
{
    return intColumn(displayid, QStringLiteral("height"));
}

QString DBDisplays::getRealSerial(int displayid)
{
    return column(displayid, QStringLiteral("serial"));
}

QString DBDisplays::getAPISerial(int displayid)
{
    return column(displayid, QStringLiteral("api_serial"));
}

QString DBDisplays::getRealModel(int displayid)
{
    return column(displayid, QStringLiteral("model"));
}

bool DBDisplays::isActive(int displayid)
{
    return intColumn(displayid, QStringLiteral("isactive")) == 1;
}

bool DBDisplays::isSynchronizeNeed(int displayid)
{
    const QString flag = column(displayid, QStringLiteral("issynchron"));
    return !flag.isEmpty() && flag.toInt() == 0;
}

int DBDisplays::GetCommMode(int displayid)
{
    return intColumn(displayid, QStringLiteral("commode"));
}

QStringList DBDisplays::LUTNames(int displayid)
{
    return column(displayid, QStringLiteral("lut_names")).split(kLutNamesSeparator, Qt::SkipEmptyParts);
}

QString DBDisplays::ISensorSupport(int displayid)
{
    return column(displayid, QStringLiteral("setInternalSensor"));
}

QString DBDisplays::InternalSensorType(int displayid)
{
    return column(displayid, QStringLiteral("sensor_type"));
}

bool DBDisplays::IsAmbientSensorSupport(int displayid)
{
    return column(displayid, QStringLiteral("ambient_sensor")) == QLatin1String("true");
}

bool DBDisplays::isSensorCorrectionSupported(int displayid)
{
    return intColumn(displayid, QStringLiteral("sensor_corr")) == 1;
}

QRect DBDisplays::GetSensorCoords(int displayid)
{
    return rectFromText(column(displayid, QStringLiteral("sensor_coords")));
}

bool DBDisplays::setAPISerial(int displayid, const QString& serial)
{
    return setColumn(displayid, QStringLiteral("api_serial"), serial);
}

bool DBDisplays::setRealModel(int displayid, const QString& model)
{
    return setColumn(displayid, QStringLiteral("model"), model);
}

bool DBDisplays::SetCommMode(int displayid, int mode)
{
    return setColumn(displayid, QStringLiteral("commode"), QString::number(mode));
}

bool DBDisplays::setLUTNames(int displayid, const QStringList& names)
{
    return setColumn(displayid, QStringLiteral("lut_names"), names.join(kLutNamesSeparator));
}

bool DBDisplays::SetISensorSupport(int displayid, const QString& support)
{
    if (support == QLatin1String("true"))
        qDebug() << QStringLiteral("Display with id:") + idText(displayid) +
                        QStringLiteral("in real have sensor.");
    return setColumn(displayid, QStringLiteral("setInternalSensor"), support);
}

bool DBDisplays::SetIsAmbientSensorSupport(int displayid, bool support)
{
    return setColumn(displayid, QStringLiteral("ambient_sensor"), flagText(support));
}

bool DBDisplays::setSensorCorrectionSupport(int displayid, bool support)
{
    return setColumn(displayid, QStringLiteral("sensor_corr"),
                     support ? QStringLiteral("1") : QStringLiteral("0"));
}

bool DBDisplays::SetSensorCoords(int displayid, const QRect& coords)
{
    return setColumn(displayid, QStringLiteral("sensor_coords"), rectText(coords));
}

QString DBDisplays::getField(const QString& column, int displayid, const QString& defaultValue)
{
    if (!Schema::table(TABLE_DISPLAYS).columns.contains(column)) {
        qWarning() << "DBDisplays::getField unknown column" << column;
        return defaultValue;
    }
    const auto it = data_->readinfo(TABLE_DISPLAYS, byId(displayid));
    return it.IsNull() ? defaultValue : it.value(column);
}

bool DBDisplays::setField(const QString& column, int displayid, const QString& value, bool markForUpload)
{
    if (!Schema::table(TABLE_DISPLAYS).columns.contains(column) || column == QLatin1String("displayid")) {
        qWarning() << "DBDisplays::setField refused column" << column;
        return false;
    }
    KaldoDynamicData::Values values{{column, value}};
    if (markForUpload)
        values.insert(QStringLiteral("issynchron"), QStringLiteral("0"));
    return data_->changeinfo(TABLE_DISPLAYS, byId(displayid), values);
}

QString DBDisplays::getDisplayInfo(int displayid, const QString& name)
{
    const auto it = data_->readinfo(TABLE_DISPLAY_INFO, byIdAndName(displayid, name));
    return it.IsNull() ? QString() : it.value(QStringLiteral("value"));
}

bool DBDisplays::setDisplayInfo(int displayid, const QString& name, const QString& value, bool markForUpload)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    const bool ok = writeDisplayInfo(displayid, name, value, markForUpload);
    if (!ok)
        transaction.failTransaction();
    return ok;
}

bool DBDisplays::setDisplayInfo(int displayid, const QString& name, int value, bool markForUpload)
{
    return setDisplayInfo(displayid, name, QString::number(value), markForUpload);
}

// Runs inside the caller's transaction, so the read and the insert cannot be split by another process.
bool DBDisplays::writeDisplayInfo(int displayid, const QString& name, const QString& value,
                                  bool markForUpload)
{
    const auto it = data_->readinfo(TABLE_DISPLAY_INFO, byIdAndName(displayid, name));
    if (it.IsNull()) {
        return data_->addinfo(TABLE_DISPLAY_INFO,
                              {{QStringLiteral("displayid"), idText(displayid)},
                               {QStringLiteral("name"), name},
                               {QStringLiteral("value"), value},
                               {QStringLiteral("issynchron"), uploadFlag(markForUpload)}});
    }
    // An unchanged value is not written again: the row keeps its upload flag, so the
    // server is not sent a value it already has.
    if (it.value(QStringLiteral("value")) == value)
        return true;
    KaldoDynamicData::Values values{{QStringLiteral("value"), value}};
    if (markForUpload)
        values.insert(QStringLiteral("issynchron"), QStringLiteral("0"));
    return data_->changeinfo(TABLE_DISPLAY_INFO, byIdAndName(displayid, name), values);
}

QMap<QString, QString> DBDisplays::enumDisplayInfo(int displayid)
{
    QMap<QString, QString> settings;
    for (auto it = data_->readinfo(TABLE_DISPLAY_INFO, byId(displayid)); !it.IsNull(); ++it)
        settings.insert(it.value(QStringLiteral("name")), it.value(QStringLiteral("value")));
    return settings;
}

QMap<QString, QString> DBDisplays::displayInfoToUpload(int displayid)
{
    QMap<QString, QString> settings;
    for (auto it = data_->readinfo(TABLE_DISPLAY_INFO, byId(displayid)); !it.IsNull(); ++it) {
        if (it.value(QStringLiteral("issynchron")).toInt() == 0)
            settings.insert(it.value(QStringLiteral("name")), it.value(QStringLiteral("value")));
    }
    return settings;
}

bool DBDisplays::isDisplayInfoSynchronizeNeed(int displayid, const QString& name)
{
    const auto it = data_->readinfo(TABLE_DISPLAY_INFO, byIdAndName(displayid, name));
    return !it.IsNull() && it.value(QStringLiteral("issynchron")).toInt() == 0;
}

bool DBDisplays::SetCommunicationType(int displayid, int type)
{
    return setDisplayInfo(displayid, QStringLiteral("CommunicationType"), type);
}

int DBDisplays::GetCommunicationType(int displayid)
{
    bool ok = false;
    const int type = getDisplayInfo(displayid, QStringLiteral("CommunicationType")).toInt(&ok);
    return ok ? type : -1;
}

bool DBDisplays::SetPresenceSensor(int displayid, bool present, const QString& source)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    const bool ok = writeDisplayInfo(displayid, QStringLiteral("PresenceSensor"), flagText(present), true) &&
                    writeDisplayInfo(displayid, QStringLiteral("PresenceSensorSource"), source, true);
    if (!ok)
        transaction.failTransaction();
    return ok;
}

bool DBDisplays::GetPresenceSensor(int displayid, QString* source)
{
    if (source)
        *source = getDisplayInfo(displayid, QStringLiteral("PresenceSensorSource"));
    return getDisplayInfo(displayid, QStringLiteral("PresenceSensor")) == QLatin1String("true");
}

bool DBDisplays::resetActive()
{
    return data_->exec(QStringLiteral("UPDATE Displays SET isactive = 0"));
}

bool DBDisplays::activateDisplay(int displayid, bool active)
{
    return setColumn(displayid, QStringLiteral("isactive"),
                     active ? QStringLiteral("1") : QStringLiteral("0"));
}

bool DBDisplays::setSynchronizeNeed(int displayid, bool need)
{
    return setColumn(displayid, QStringLiteral("issynchron"), uploadFlag(need));
}

bool DBDisplays::setDisplayInfoSynchronizeNeed(int displayid, bool need)
{
    return data_->changeinfo(TABLE_DISPLAY_INFO, byId(displayid),
                             {{QStringLiteral("issynchron"), uploadFlag(need)}});
}

bool DBDisplays::SetAllDisplaysPreferencesSynchNeeded(bool need)
{
    return data_->exec(QStringLiteral("UPDATE DisplayInfo SET issynchron = ?"), {uploadFlag(need).toInt()});
}

QString DBDisplays::makeHash(const QString& text)
{
    const QByteArray digest =
        QCryptographicHash::hash((text + kHashSalt).toUtf8(), QCryptographicHash::Md5).toHex();
    return QString::fromLatin1(digest.left(kHashLength));
}

QString DBDisplays::calibrationHash(const QString& identity, int displayid)
{
    return makeHash(identity + QStringLiteral("--") + idText(displayid));
}

bool DBDisplays::addCalibrationHash(int displayid, const QString& identity)
{
    if (identity.isEmpty()) {
        qWarning() << "DBDisplays::addCalibrationHash no display attached under id" << displayid;
        return false;
    }
    return setDisplayInfo(displayid, QStringLiteral("LastLUTHash"), calibrationHash(identity, displayid),
                          false);
}

bool DBDisplays::checkCalibrationHash(int displayid, const QString& identity)
{
    if (identity.isEmpty())
        return false;
    const QString stored = getDisplayInfo(displayid, QStringLiteral("LastLUTHash"));
    const bool same = !stored.isEmpty() && stored == calibrationHash(identity, displayid);
    if (!same)
        qDebug() << "DBDisplays::checkCalibrationHash LUT of display" << displayid
                 << "was written for another display";
    return same;
}

int DBDisplays::getFairyDisplay(int displayid)
{
    // The display that could not be identified usually has no record yet: its place
    // comes from the current-display list, the record only when it is not attached.
    if (CurrentDisplays::IsDisplayConnected(displayid)) {
        const DisplayInfo& info = CurrentDisplays::DisplayById(displayid);
        if (info.hasRect())
            return getFairyDisplay(info.rect());
    }
    return getFairyDisplay(
        QRect(getLeft(displayid), getTop(displayid), getWidth(displayid), getHeight(displayid)));
}

int DBDisplays::getFairyDisplay(const QRect& rect)
{
    DBTransaction transaction;
    if (!transaction.started())
        return -1;
    int id = findBySerial(FAIRY_SERIAL);
    bool ok = true;
    if (id < 0) {
        qDebug() << "DBDisplays::getFairyDisplay creating the placeholder record";
        id = addDisplay(FAIRY_SERIAL, rect.top(), rect.left(), rect.width(), rect.height(), true);
        ok = id >= 0;
    } else {
        ok = changeDisplay(id, rect.top(), rect.left(), rect.width(), rect.height()) &&
             activateDisplay(id, true);
    }
    ok = ok && writeDisplayInfo(id, QStringLiteral("Model"), QStringLiteral("Fairy Display"), true) &&
         writeDisplayInfo(id, QStringLiteral("Manufacturer"), QStringLiteral("Unknown"), true) &&
         writeDisplayInfo(id, QStringLiteral("ResolutionHorizontal"), QString::number(rect.width()), true) &&
         writeDisplayInfo(id, QStringLiteral("ResolutionVertical"), QString::number(rect.height()), true) &&
         writeDisplayInfo(id, QStringLiteral("DisplayTechnology"), QStringLiteral("Flat"), true) &&
         writeDisplayInfo(id, QStringLiteral("TypeOfDisplay"), QStringLiteral("Color"), true);
    if (!ok) {
        qWarning() << "DBDisplays::getFairyDisplay failed";
        transaction.failTransaction();
        return -1;
    }
    return id;
}

bool DBDisplays::addCalibrationHash(int displayid)
{
    return addCalibrationHash(displayid, DBUtils::displayIdentity(displayid));
}

bool DBDisplays::checkCalibrationHash(int displayid)
{
    return checkCalibrationHash(displayid, DBUtils::displayIdentity(displayid));
}
