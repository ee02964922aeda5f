#include "qa/QASchedulingGroups.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDateTime>
#include <QDebug>
#include <QVariantList>

#include <algorithm>
#include <atomic>

const QString QASchedulingGroups::TABLE = QStringLiteral("QASchedulingGroups");
const QString QASchedulingGroups::EXCEPTIONS = QStringLiteral("QASchedulingGroupsExceptions");
const QString QASchedulingGroups::REMIND = QStringLiteral("QASchedulingGroupsRemind");

namespace {

std::atomic<bool> s_checked{false};

KaldoDynamicData::Values byGroup(int groupId)
{
    return {{QStringLiteral("groupid"), QString::number(groupId)}};
}

} // namespace

QASchedulingGroups::QASchedulingGroups() : data_(DB::get())
{
    // Older versions stored "Biweekly"; the main application may still write it.
    static const QList<TableSchema> tables =
        Schema::tables({TABLE, EXCEPTIONS, REMIND, QStringLiteral("Displays")});
    // Looked for first: an update, even of no row, waits for the write lock.
    if (Schema::checkOnce(*data_, tables, s_checked) &&
        !data_->query(QStringLiteral("SELECT 1 FROM QASchedulingGroups WHERE frequency = 'Biweekly' LIMIT 1"))
             .IsNull())
        data_->execSql(QStringLiteral(
            "UPDATE QASchedulingGroups SET frequency = 'Every two weeks' WHERE frequency = 'Biweekly';"));
}

QASchedulingGroups::iterator QASchedulingGroups::nearestTasks(qint64 now)
{
    // The clock is a parameter, so a command run "as of" another time sees what the agent would then.
    return data_->query(
        QStringLiteral(
            "SELECT QASchedulingGroups.groupid AS groupid, nextdate, QASchedulingGroups.displayid AS "
            "displayid FROM QASchedulingGroups INNER JOIN Displays ON QASchedulingGroups.displayid == "
            "Displays.displayid WHERE Displays.isactive = 1 AND datetime(QASchedulingGroups.nextdate, "
            "'unixepoch') <= datetime(?, 'unixepoch') ORDER BY CAST(QASchedulingGroups.nextdate AS INTEGER)"),
        {now});
}

bool QASchedulingGroups::addRecord(const QMap<QString, QString>& values)
{
    return data_->addinfo(TABLE, values);
}

bool QASchedulingGroups::SetKey(int groupId, const QString& key)
{
    return data_->changeinfo(TABLE, byGroup(groupId), {{QStringLiteral("TaskKey"), key}});
}

int QASchedulingGroups::GetGroupIdByKey(const QString& key)
{
    const auto it = data_->readinfo(TABLE, {{QStringLiteral("TaskKey"), key}});
    return it.IsNull() ? -1 : it.value(QStringLiteral("groupid")).toInt();
}

QString QASchedulingGroups::GetKeyByGroupId(int groupId)
{
    return data_->readinfo(TABLE, byGroup(groupId)).value(QStringLiteral("TaskKey"));
}

QMap<QString, QString> QASchedulingGroups::getGroup(int groupId)
{
    return data_->readinfo(TABLE, byGroup(groupId)).values();
}

QASchedulingGroups::iterator QASchedulingGroups::beginByDisplay(int displayId)
{
    return data_->query(
        QStringLiteral("SELECT * FROM QASchedulingGroups WHERE displayid = ? ORDER BY groupid"), {displayId});
}

QASchedulingGroups::iterator QASchedulingGroups::begin()
{
    return data_->query(QStringLiteral("SELECT * FROM QASchedulingGroups ORDER BY groupid"));
}

bool QASchedulingGroups::SetNextDate(int groupId, qint64 date)
{
    return data_->changeinfo(TABLE, byGroup(groupId),
                             {{QStringLiteral("nextdate"), QString::number(date)},
                              {QStringLiteral("issynchron"), QStringLiteral("0")}});
}

bool QASchedulingGroups::SetNextDateByTaskKey(const QString& key, qint64 date)
{
    return data_->changeinfo(TABLE, {{QStringLiteral("TaskKey"), key}},
                             {{QStringLiteral("nextdate"), QString::number(date)},
                              {QStringLiteral("issynchron"), QStringLiteral("0")}});
}

bool QASchedulingGroups::delayTask(int groupId, qint64 date, qint64 now)
{
    const QMap<QString, QString> group = getGroup(groupId);
    if (group.isEmpty())
        return false;
    qDebug().noquote() << "QASchedulingGroups::delayTask Update Step " << groupId << "is being delayed till"
                       << QDateTime::fromSecsSinceEpoch(date).toString(Qt::ISODate);
    // The postponement starts at the date the plan gave, so a rebuild that computes it again moves it along.
    const qint64 fixed = group.value(QStringLiteral("nextdate_fixed")).toLongLong();
    DBTransaction transaction(data_);
    const bool ok =
        setException(group.value(QStringLiteral("displayid")).toInt(), group.value(QStringLiteral("TaskKey")),
                     fixed > 0 ? std::min(fixed, now) : now, date) &&
        SetNextDate(groupId, date);
    if (!ok)
        transaction.failTransaction();
    return ok;
}

bool QASchedulingGroups::isDelayedFromNow(int groupId, qint64 now)
{
    const QMap<QString, QString> group = getGroup(groupId);
    if (group.isEmpty())
        return false;
    return !data_
                ->query(QStringLiteral(
                            "SELECT 1 FROM QASchedulingGroupsExceptions WHERE displayid = ? AND TaskKey = ? "
                            "AND dateFrom <= ? AND dateTo > ? LIMIT 1"),
                        {group.value(QStringLiteral("displayid")).toInt(),
                         group.value(QStringLiteral("TaskKey")), now, now})
                .IsNull();
}

bool QASchedulingGroups::SetGroupStatus(int groupId, int status)
{
    return data_->changeinfo(TABLE, byGroup(groupId),
                             {{QStringLiteral("TaskStatus"), QString::number(status)}});
}

bool QASchedulingGroups::SetWasExecutedThisWeekByGroupID(int groupId, bool flag)
{
    return data_->exec(
        QStringLiteral("UPDATE QASchedulingGroups SET was_executed_this_week = ? WHERE groupid = ?"),
        {flag ? 1 : 0, groupId});
}

bool QASchedulingGroups::setException(int displayId, const QString& key, qint64 from, qint64 to)
{
    return data_->addinfo(EXCEPTIONS, {{QStringLiteral("displayid"), QString::number(displayId)},
                                       {QStringLiteral("TaskKey"), key},
                                       {QStringLiteral("dateFrom"), QString::number(from)},
                                       {QStringLiteral("dateTo"), QString::number(to)},
                                       {QStringLiteral("issynchron"), QStringLiteral("0")}});
}

QASchedulingGroups::iterator QASchedulingGroups::beginExceptions(int displayId)
{
    return data_->readinfo(EXCEPTIONS, {{QStringLiteral("displayid"), QString::number(displayId)}});
}

QASchedulingGroups::iterator QASchedulingGroups::beginExceptionsNotSynchronized()
{
    return data_->readinfo(EXCEPTIONS, {{QStringLiteral("issynchron"), QStringLiteral("0")}});
}

bool QASchedulingGroups::markAllExceptionsAsSynchronized()
{
    return data_->execSql(QStringLiteral("UPDATE QASchedulingGroupsExceptions SET issynchron = 1"));
}

bool QASchedulingGroups::cleanOldExceptions(qint64 now)
{
    return data_->exec(QStringLiteral("DELETE FROM QASchedulingGroupsExceptions WHERE dateTo < ?"), {now});
}

bool QASchedulingGroups::cleanAllExceptions()
{
    // Emptying a table rewrites its pages even when it holds no row; without a regulation in
    // force every plan rebuild (one per scheduler pass) comes here, and would write the file.
    if (data_->count(EXCEPTIONS) == 0)
        return true;
    return data_->execSql(QStringLiteral("DELETE FROM QASchedulingGroupsExceptions"));
}

bool QASchedulingGroups::cleanAllDisplayExceptions(int displayId)
{
    return data_->delinfo(EXCEPTIONS, {{QStringLiteral("displayid"), QString::number(displayId)}});
}

bool QASchedulingGroups::cleanExceptionsForTask(const QString& key)
{
    return data_->delinfo(EXCEPTIONS, {{QStringLiteral("TaskKey"), key}});
}

bool QASchedulingGroups::delExceptions(int displayId, const QStringList& keys)
{
    QString sql = QStringLiteral("DELETE FROM QASchedulingGroupsExceptions WHERE displayid = ?");
    QVariantList parameters{displayId};
    if (!keys.isEmpty()) {
        QStringList marks;
        for (const QString& key : keys) {
            marks << QStringLiteral("?");
            parameters << key;
        }
        sql += QStringLiteral(" AND TaskKey NOT IN(") + marks.join(QLatin1Char(',')) + QStringLiteral(")");
    }
    return data_->exec(sql, parameters);
}

bool QASchedulingGroups::clear()
{
    return data_->execSql(QStringLiteral("DELETE FROM QASchedulingGroups")) &&
           data_->execSql(QStringLiteral("DELETE FROM QASchedulingSteps"));
}
