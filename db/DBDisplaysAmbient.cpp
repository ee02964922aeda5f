#include "db/DBDisplaysAmbient.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

#include <atomic>

const QString DBDisplaysAmbient::TABLE = QStringLiteral("DisplaysAmbient");

namespace {

std::atomic<bool> s_checked{false};

QList<DBDisplaysAmbient::Reading> readingsOf(KaldoDataIterator it)
{
    QList<DBDisplaysAmbient::Reading> readings;
    for (; !it.IsNull(); ++it) {
        readings.append({it.value(QStringLiteral("ambient_value")).toDouble(),
                         it.value(QStringLiteral("time")).toLongLong(),
                         it.value(QStringLiteral("result")) == QLatin1String("true"),
                         it.value(QStringLiteral("issynch")) == QLatin1String("1")});
    }
    return readings;
}

} // namespace

DBDisplaysAmbient::DBDisplaysAmbient() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBDisplaysAmbient::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    return Schema::checkOnce(data, tables, s_checked);
}

bool DBDisplaysAmbient::AddAmbientValue(int displayid, double value, quint32 time, bool withinLimits)
{
    const bool ok = data_->addinfo(
        TABLE, {{QStringLiteral("displayId"), QString::number(displayid)},
                {QStringLiteral("ambient_value"), QString::number(value, 'g', 6)},
                {QStringLiteral("time"), QString::number(time)},
                {QStringLiteral("result"), withinLimits ? QStringLiteral("true") : QStringLiteral("false")},
                {QStringLiteral("issynch"), QStringLiteral("0")}});
    if (!ok)
        qWarning() << "DBDisplaysAmbient::AddAmbientValue failed for display" << displayid;
    return ok;
}

QList<DBDisplaysAmbient::Reading> DBDisplaysAmbient::readings(int displayid, qint64 since)
{
    return readingsOf(data_->query(
        QStringLiteral("SELECT * FROM DisplaysAmbient WHERE displayId = ? AND time >= ? ORDER BY time"),
        {displayid, since}));
}

bool DBDisplaysAmbient::GetAmbientValues(int displayid, qint64 since, QList<double>& values)
{
    values.clear();
    for (const Reading& reading : readings(displayid, since))
        values.append(reading.value);
    return !values.isEmpty();
}

bool DBDisplaysAmbient::RemoveAmbientValues(int displayid, qint64 before)
{
    return data_->exec(QStringLiteral("DELETE FROM DisplaysAmbient WHERE displayId = ? AND time < ?"),
                       {displayid, before});
}

QList<DBDisplaysAmbient::Reading> DBDisplaysAmbient::GetSycnhronizeInfo(int displayid)
{
    return readingsOf(data_->query(
        QStringLiteral("SELECT * FROM DisplaysAmbient WHERE displayId = ? AND issynch = '0' ORDER BY time"),
        {displayid}));
}

bool DBDisplaysAmbient::SetAllSynchronizeNeeded(bool need)
{
    return data_->exec(QStringLiteral("UPDATE DisplaysAmbient SET issynch = ?"),
                       {need ? QStringLiteral("0") : QStringLiteral("1")});
}

bool DBDisplaysAmbient::setSynchronized(int displayid, qint64 upToTime)
{
    return data_->exec(
        QStringLiteral("UPDATE DisplaysAmbient SET issynch = '1' WHERE displayId = ? AND time <= ?"),
        {displayid, upToTime});
}
