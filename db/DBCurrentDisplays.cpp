#include "db/DBCurrentDisplays.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"

#include <QDebug>

#include <atomic>

const QString DBCurrentDisplays::TABLE = QStringLiteral("CurrentDisplays");

namespace {

std::atomic<bool> s_checked{false};

// Columns the agent sets per display that no enumeration can tell again.
const QStringList kKeptColumns{
    QStringLiteral("cal_patch_size"),      QStringLiteral("internal_sensor"),
    QStringLiteral("ambient_sensor"),      QStringLiteral("special_registration"),
    QStringLiteral("special_correlation"), QStringLiteral("backgound_calibration")};

KaldoDynamicData::Values snapshotRow(const DisplayInfo& info, int displayid, KaldoDynamicData::Values kept)
{
    const QRect rect = info.rect();
    KaldoDynamicData::Values row{
        {QStringLiteral("edid"), QString::fromLatin1(info.edid().toHex())},
        {QStringLiteral("edid_size"), QString::number(info.edidLength())},
        {QStringLiteral("name"), info.name()},
        {QStringLiteral("serial"), info.serial()},
        {QStringLiteral("manufacturer"), info.manufacture()},
        {QStringLiteral("osid"), info.deviceString()},
        {QStringLiteral("osdevname"), info.deviceName()},
        {QStringLiteral("video_adapter_key"), info.videoCardKey()},
        {QStringLiteral("video_adapter_name"), info.videoCardName()},
        {QStringLiteral("left"), QString::number(info.hasRect() ? rect.left() : 0)},
        {QStringLiteral("top"), QString::number(info.hasRect() ? rect.top() : 0)},
        {QStringLiteral("width"), QString::number(info.hasRect() ? rect.width() : qMax(info.width(), 0))},
        {QStringLiteral("height"), QString::number(info.hasRect() ? rect.height() : qMax(info.height(), 0))},
    };
    if (displayid >= 0)
        row.insert(QStringLiteral("id"), QString::number(displayid));
    // Sensors are found while the agent runs; a display found with one keeps it in the snapshot.
    if (displayid >= 0 && CurrentDisplays::internalSensor(displayid))
        kept.insert(QStringLiteral("internal_sensor"), QStringLiteral("1"));
    if (displayid >= 0 && CurrentDisplays::ambientSensor(displayid))
        kept.insert(QStringLiteral("ambient_sensor"), QStringLiteral("1"));
    if (kept.value(QStringLiteral("backgound_calibration")).isEmpty())
        kept.insert(QStringLiteral("backgound_calibration"), QStringLiteral("false"));
    row.insert(kept);
    return row;
}

DisplayInfo infoFromRow(const KaldoDynamicData::Values& row)
{
    DisplayInfo info;
    const QByteArray edid = QByteArray::fromHex(row.value(QStringLiteral("edid")).toLatin1());
    info.setEdid(edid.left(row.value(QStringLiteral("edid_size")).toInt()));
    info.setName(row.value(QStringLiteral("name")));
    info.setSerial(row.value(QStringLiteral("serial")));
    info.setDetectSerial(row.value(QStringLiteral("serial")));
    info.setManufacture(row.value(QStringLiteral("manufacturer")));
    info.setDeviceString(row.value(QStringLiteral("osid")));
    info.setDeviceName(row.value(QStringLiteral("osdevname")));
    info.setVideoCardKey(row.value(QStringLiteral("video_adapter_key")));
    info.setVideoCardName(row.value(QStringLiteral("video_adapter_name")));
    const int width = row.value(QStringLiteral("width")).toInt();
    const int height = row.value(QStringLiteral("height")).toInt();
    if (width > 0 && height > 0) {
        info.setRect(QRect(row.value(QStringLiteral("left")).toInt(),
                           row.value(QStringLiteral("top")).toInt(), width, height));
        info.setResolution(width, height);
    }
    return info;
}

} // namespace

DBCurrentDisplays::DBCurrentDisplays() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBCurrentDisplays::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    return Schema::checkOnce(data, tables, s_checked);
}

bool DBCurrentDisplays::SaveDisplaysInfo()
{
    qDebug() << "SaveDisplaysInfo()";
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    QMap<int, KaldoDynamicData::Values> kept;
    for (auto it = data_->readinfo(TABLE); !it.IsNull(); ++it) {
        KaldoDynamicData::Values values;
        for (const QString& column : kKeptColumns)
            values.insert(column, it.value(column));
        kept.insert(it.value(QStringLiteral("id")).toInt(), values);
    }
    bool ok = data_->exec(QStringLiteral("DELETE FROM CurrentDisplays"));
    const unsigned count = CurrentDisplays::DisplayCount();
    QList<int> saved;
    for (unsigned index = 0; ok && index < count; ++index) {
        int displayid = CurrentDisplays::DisplayId(index);
        // A display without its own id yet, or sharing one, gets a row of its own all the same.
        if (displayid >= 0 && saved.contains(displayid))
            displayid = -1;
        ok = data_->addinfo(TABLE,
                            snapshotRow(CurrentDisplays::Display(index), displayid, kept.value(displayid)));
        saved.append(displayid);
    }
    if (!ok) {
        qWarning() << "SaveDisplaysInfo() failed; the previous snapshot is kept";
        transaction.failTransaction();
        return false;
    }
    qDebug() << "SaveDisplaysInfo() 1";
    return true;
}

bool DBCurrentDisplays::GetDisplaysInfo()
{
    const auto it0 = data_->readinfoSql(QStringLiteral("SELECT * FROM CurrentDisplays ORDER BY id"));
    CurrentDisplays::Clear();
    for (auto it = it0; !it.IsNull(); ++it) {
        const int id = it.value(QStringLiteral("id")).toInt();
        CurrentDisplays::AddDisplay(id, infoFromRow(it.values()));
        CurrentDisplays::setInternalSensor(id, it.value(QStringLiteral("internal_sensor")).toInt() == 1);
        CurrentDisplays::setAmbientSensor(id, it.value(QStringLiteral("ambient_sensor")).toInt() == 1);
    }
    qDebug() << "DBCurrentDisplays::GetDisplaysInfo displays:" << CurrentDisplays::DisplayCount();
    return CurrentDisplays::DisplayCount() > 0;
}

bool DBCurrentDisplays::IsBackgroundCalibrationEnabled(int displayid)
{
    const auto it = data_->readinfo(TABLE, {{QStringLiteral("id"), QString::number(displayid)}});
    return !it.IsNull() && it.value(QStringLiteral("backgound_calibration")) == QLatin1String("true");
}

bool DBCurrentDisplays::SetIsBackgroundCalibrationEnabled(int displayid, bool enabled)
{
    const KaldoDynamicData::Values where{{QStringLiteral("id"), QString::number(displayid)}};
    if (data_->count(TABLE, where) == 0) {
        qWarning() << "DBCurrentDisplays::SetIsBackgroundCalibrationEnabled no snapshot row for display"
                   << displayid;
        return false;
    }
    return data_->changeinfo(TABLE, where,
                             {{QStringLiteral("backgound_calibration"),
                               enabled ? QStringLiteral("true") : QStringLiteral("false")}});
}
