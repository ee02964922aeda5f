#include "db/DBCalHistory.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>
#include <QMutex>
#include <QVariantList>

#include <atomic>

const QString DBCalHistory::TABLE = QStringLiteral("CalHistory");
const QString DBCalHistory::TARGETS = QStringLiteral("CalTargets");

namespace {

std::atomic<bool> s_checked{false};

struct TargetCache
{
    QMutex mutex;
    bool filled = false;
    QMap<qint64, QMap<QString, QString>> targets;
};

TargetCache& cache()
{
    static TargetCache instance;
    return instance;
}

} // namespace

DBCalHistory::DBCalHistory() : data_(DB::get())
{
    static const QList<TableSchema> tables =
        Schema::tables({TABLE, TARGETS, QStringLiteral("History"), QStringLiteral("CalMeasurements")});
    Schema::checkOnce(*data_, tables, s_checked);
}

qint64 DBCalHistory::addHistory(qint64 historyId, const QString& curveName, bool color, bool express)
{
    qint64 id = -1;
    if (!data_->addinfo(TABLE,
                        {{QStringLiteral("historyid"), QString::number(historyId)},
                         {QStringLiteral("curvename"), curveName},
                         {QStringLiteral("iscolor"), color ? QStringLiteral("1") : QStringLiteral("0")},
                         {QStringLiteral("isexpress"), express ? QStringLiteral("1") : QStringLiteral("0")}},
                        &id))
        return -1;
    return id;
}

bool DBCalHistory::addTarget(qint64 calHistoryId, const QString& name, const QString& value)
{
    const bool ok = data_->addinfo(TARGETS, {{QStringLiteral("calhistoryid"), QString::number(calHistoryId)},
                                             {QStringLiteral("name"), name},
                                             {QStringLiteral("value"), value}});
    TargetCache& c = cache();
    const QMutexLocker locker(&c.mutex);
    if (ok && c.filled)
        c.targets[calHistoryId].insert(name, value);
    return ok;
}

QString DBCalHistory::getTarget(qint64 calHistoryId, const QString& name)
{
    return data_
        ->readinfo(TARGETS, {{QStringLiteral("calhistoryid"), QString::number(calHistoryId)},
                             {QStringLiteral("name"), name}})
        .value(QStringLiteral("value"));
}

void DBCalHistory::initCacheTargets()
{
    qDebug() << "DBCalHistory::initCacheTargets() begin";
    QMap<qint64, QMap<QString, QString>> targets;
    for (auto it = DBCalHistory().data_->readinfo(TARGETS); !it.IsNull(); ++it)
        targets[it.value(QStringLiteral("calhistoryid")).toLongLong()].insert(
            it.value(QStringLiteral("name")), it.value(QStringLiteral("value")));
    TargetCache& c = cache();
    const QMutexLocker locker(&c.mutex);
    c.targets = targets;
    c.filled = true;
    qDebug() << "DBCalHistory::initCacheTargets() end";
}

void DBCalHistory::dropCacheTargets()
{
    TargetCache& c = cache();
    const QMutexLocker locker(&c.mutex);
    c.targets.clear();
    c.filled = false;
}

QMap<QString, QString> DBCalHistory::getTargets(qint64 calHistoryId)
{
    bool filled = false;
    {
        const QMutexLocker locker(&cache().mutex);
        filled = cache().filled;
    }
    if (!filled)
        initCacheTargets();
    const QMutexLocker locker(&cache().mutex);
    return cache().targets.value(calHistoryId);
}

KaldoDataIterator DBCalHistory::beginTarget(qint64 calHistoryId)
{
    return data_->readinfo(TARGETS, {{QStringLiteral("calhistoryid"), QString::number(calHistoryId)}});
}

KaldoDataIterator DBCalHistory::beginHistory(qint64 historyId)
{
    return data_->readinfo(TABLE, {{QStringLiteral("historyid"), QString::number(historyId)}});
}

qint64 DBCalHistory::getCalHistoryId(qint64 historyId)
{
    const auto it = beginHistory(historyId);
    return it.IsNull() ? -1 : it.value(QStringLiteral("calhistoryid")).toLongLong();
}

qint64 DBCalHistory::latest(int displayId, const QMap<QString, QString>& targets, bool whiteLevel, double low,
                            double high)
{
    QString sql =
        QStringLiteral("SELECT CalHistory.calhistoryid AS calhistoryid FROM CalHistory INNER JOIN History ON "
                       "CalHistory.historyid = History.historyid WHERE History.deviceid = ? AND "
                       "History.historytype = 2 AND History.result = 2 AND isexpress <> 1");
    QVariantList parameters{displayId};
    for (auto it = targets.cbegin(); it != targets.cend(); ++it) {
        sql +=
            QStringLiteral(" AND (SELECT COUNT(*) FROM CalTargets WHERE CalTargets.calhistoryid = "
                           "CalHistory.calhistoryid AND CalTargets.name = ? AND CalTargets.value = ?) > 0");
        parameters << it.key() << it.value();
    }
    if (whiteLevel) {
        sql +=
            QStringLiteral(" AND CalHistory.calhistoryid IN (SELECT calhistoryid FROM CalMeasurements WHERE "
                           "reasureR = 255 AND reasureG = 255 AND reasureB = 255 AND measuretype = 0 AND "
                           "CAST(Y AS REAL) > ? AND CAST(Y AS REAL) < ?)");
        parameters << low << high;
    }
    sql += QStringLiteral(" ORDER BY History.runtime DESC LIMIT 1");
    const auto it = data_->query(sql, parameters);
    return it.IsNull() ? -1 : it.value(QStringLiteral("calhistoryid")).toLongLong();
}

qint64 DBCalHistory::getLatestCalibrationByTargets(int displayId, const QMap<QString, QString>& targets)
{
    return latest(displayId, targets, false, 0, 0);
}

qint64 DBCalHistory::getLatestCalibrationByTargetsAndWhiteLevel(int displayId,
                                                                const QMap<QString, QString>& targets,
                                                                double low, double high)
{
    return latest(displayId, targets, true, low, high);
}

QList<QPair<qint64, QString>> DBCalHistory::getConsistencyDataByDisplayId(int displayId, int r, int g, int b)
{
    QList<QPair<qint64, QString>> data;
    for (auto it = data_->query(
             QStringLiteral(
                 "SELECT History.runtime AS date, CalMeasurements.Y AS luminance FROM History INNER JOIN "
                 "CalHistory ON History.historyid = CalHistory.historyid INNER JOIN CalMeasurements ON "
                 "CalHistory.calhistoryid = CalMeasurements.calhistoryid WHERE History.deviceid = ? AND "
                 "CalMeasurements.measuretype = 2 AND CalMeasurements.reasureR = ? AND "
                 "CalMeasurements.reasureG = ? AND CalMeasurements.reasureB = ? ORDER BY History.runtime"),
             {displayId, r, g, b});
         !it.IsNull(); ++it)
        data.append({it.value(QStringLiteral("date")).toLongLong(), it.value(QStringLiteral("luminance"))});
    return data;
}
