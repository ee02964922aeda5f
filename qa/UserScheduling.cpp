#include "qa/UserScheduling.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "qa/UserTasksScheduling.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutex>

#include <atomic>

const QString UserScheduling::TABLE = QStringLiteral("UserScheduling");
const QString UserScheduling::EXCEPTIONS = QStringLiteral("UserSchedulingExceptions");
const QString UserScheduling::PARAMS = QStringLiteral("UserSchedulingParams");

namespace {

std::atomic<bool> s_checked{false};

// Postponements the user asked for, by task: the next-run recomputation leaves them in place.
QMutex s_delayedMutex;
QMap<int, qint64>& delayedTill()
{
    static QMap<int, qint64> delayed;
    return delayed;
}

KaldoDynamicData::Values byTask(int taskId)
{
    return {{QStringLiteral("taskid"), QString::number(taskId)}};
}

} // namespace

UserScheduling::UserScheduling() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({TABLE, EXCEPTIONS, PARAMS});
    Schema::checkOnce(*data_, tables, s_checked);
}

int UserScheduling::addRecord(const QMap<QString, QString>& values)
{
    qint64 id = -1;
    KaldoDynamicData::Values row = values;
    row.remove(QStringLiteral("taskid"));
    if (!row.contains(QStringLiteral("Disabled")))
        row.insert(QStringLiteral("Disabled"), QStringLiteral("false"));
    if (!data_->addinfo(TABLE, row, &id))
        return -1;
    return static_cast<int>(id);
}

bool UserScheduling::edit(int taskId, const QMap<QString, QString>& values)
{
    KaldoDynamicData::Values row = values;
    row.remove(QStringLiteral("taskid"));
    row.insert(QStringLiteral("issynchron"), QStringLiteral("0"));
    return data_->changeinfo(TABLE, byTask(taskId), row);
}

bool UserScheduling::del(int taskId)
{
    return data_->changeinfo(
        TABLE, byTask(taskId),
        {{QStringLiteral("IsDelete"), QStringLiteral("1")}, {QStringLiteral("issynchron"), "0"}});
}

QMap<QString, QString> UserScheduling::get(int taskId)
{
    return data_->readinfo(TABLE, byTask(taskId)).values();
}

bool UserScheduling::isTaskExist(int taskId)
{
    return data_->count(TABLE, byTask(taskId)) > 0;
}

bool UserScheduling::isServerTask(int taskId)
{
    return get(taskId).value(QStringLiteral("servertask_id")).toInt() > 0;
}

int UserScheduling::taskIdByServerId(int serverTaskId)
{
    const auto it =
        data_->readinfo(TABLE, {{QStringLiteral("servertask_id"), QString::number(serverTaskId)}});
    return it.IsNull() ? -1 : it.value(QStringLiteral("taskid")).toInt();
}

bool UserScheduling::setLastRunTime(int taskId, qint64 time)
{
    return data_->changeinfo(TABLE, byTask(taskId), {{QStringLiteral("lastrun"), QString::number(time)}});
}

bool UserScheduling::updateTaskStatus(int taskId, int status)
{
    return data_->changeinfo(TABLE, byTask(taskId),
                             {{QStringLiteral("TaskStatus"), QString::number(status)}, {"issynchron", "0"}});
}

bool UserScheduling::suspendTask(int taskId, qint64 seconds, qint64 now)
{
    return delayTask(taskId, now + seconds);
}

bool UserScheduling::delayTask(int taskId, qint64 date)
{
    qDebug() << "UserScheduling::delayTask task" << taskId << "is being delayed till" << date;
    {
        const QMutexLocker locker(&s_delayedMutex);
        delayedTill().insert(taskId, date);
    }
    return data_->changeinfo(TABLE, byTask(taskId), {{QStringLiteral("nextrun"), QString::number(date)}});
}

bool UserScheduling::updateNextRun(int taskId, qint64 now, qint64 agentStart)
{
    UserTasksScheduling calendar;
    calendar.load(get(taskId), exceptionsForTask(taskId));
    calendar.setTime(now, agentStart);
    const qint64 next = calendar.next();
    {
        const QMutexLocker locker(&s_delayedMutex);
        const auto delayed = delayedTill().constFind(taskId);
        if (delayed != delayedTill().constEnd()) {
            if (*delayed > now) {
                qDebug() << "NEXT_RUNTIME's changing is skipped, because it was surely delayed by "
                            "UserScheduling::delayTask, probably by "
                            "TaskNotificationWindow::slotNotificationRejected(); taskId ="
                         << taskId;
                return true;
            }
            qDebug()
                << "delayedTill[taskId] exists, but is NOT equal nextTime; changing NEXT_RUNTIME; taskId ="
                << taskId << ", nextTime =" << next << ", delayedTill[taskId]" << *delayed
                << ", newTime =" << next;
            delayedTill().remove(taskId);
        }
    }
    return data_->changeinfo(TABLE, byTask(taskId), {{QStringLiteral("nextrun"), QString::number(next)}});
}

bool UserScheduling::updateNextRuns(qint64 now, qint64 agentStart)
{
    bool ok = true;
    for (auto it = data_->readinfo(TABLE); !it.IsNull(); ++it)
        ok = updateNextRun(it.value(QStringLiteral("taskid")).toInt(), now, agentStart) && ok;
    return ok;
}

UserScheduling::iterator UserScheduling::nearestTasks(qint64 now)
{
    return data_->query(
        QStringLiteral(
            "select UserScheduling.taskid as taskid, nextrun, displayid, tasktype_id, IsHide from "
            "UserScheduling where datetime(UserScheduling.nextrun, 'unixepoch') <= datetime(?, "
            "'unixepoch') AND UserScheduling.nextrun<>0 AND UserScheduling.Disabled<>'true' AND (IsDelete "
            "IS NULL OR IsDelete <> 1 ) AND (IsHide IS NULL OR IsHide <> 1) ORDER BY nextrun"),
        {now});
}

UserScheduling::iterator UserScheduling::begin()
{
    return data_->query(QStringLiteral("SELECT * FROM UserScheduling WHERE IsDelete IS NULL OR IsDelete <> 1 "
                                       "ORDER BY taskid"));
}

bool UserScheduling::addExceptionsForTask(int taskId, qint64 from, qint64 to)
{
    return data_->addinfo(EXCEPTIONS, {{QStringLiteral("taskid"), QString::number(taskId)},
                                       {QStringLiteral("from_date"), QString::number(from)},
                                       {QStringLiteral("to_date"), QString::number(to)}});
}

QList<QPair<qint64, qint64>> UserScheduling::exceptionsForTask(int taskId)
{
    QList<QPair<qint64, qint64>> periods;
    for (auto it = data_->readinfo(EXCEPTIONS, byTask(taskId)); !it.IsNull(); ++it)
        periods.append({it.value(QStringLiteral("from_date")).toLongLong(),
                        it.value(QStringLiteral("to_date")).toLongLong()});
    return periods;
}

bool UserScheduling::delExceptionsForTask(int taskId)
{
    return data_->delinfo(EXCEPTIONS, byTask(taskId));
}

bool UserScheduling::delAllExceptions()
{
    return data_->execSql(QStringLiteral("DELETE FROM UserSchedulingExceptions"));
}

bool UserScheduling::SetTaskParam(int taskId, const QString& name, const QString& value)
{
    KaldoDynamicData::Values key = byTask(taskId);
    key.insert(QStringLiteral("name"), name);
    if (data_->count(PARAMS, key) > 0)
        return data_->changeinfo(PARAMS, key, {{QStringLiteral("value"), value}});
    key.insert(QStringLiteral("value"), value);
    return data_->addinfo(PARAMS, key);
}

QMap<QString, QString> UserScheduling::taskParams(int taskId)
{
    QMap<QString, QString> params;
    for (auto it = data_->readinfo(PARAMS, byTask(taskId)); !it.IsNull(); ++it)
        params.insert(it.value(QStringLiteral("name")), it.value(QStringLiteral("value")));
    return params;
}

bool UserScheduling::SetSynchronizeNeed(int taskId, bool need)
{
    return data_->changeinfo(TABLE, byTask(taskId), {{QStringLiteral("issynchron"), need ? "0" : "1"}});
}

bool UserScheduling::markAllSynchronized()
{
    return data_->execSql(QStringLiteral("UPDATE UserScheduling SET issynchron = 1"));
}

bool UserScheduling::cleanDeleted()
{
    return data_->execSql(
               QStringLiteral("DELETE FROM UserSchedulingExceptions WHERE taskid IN (SELECT taskid FROM "
                              "UserScheduling WHERE IsDelete = 1)")) &&
           data_->execSql(
               QStringLiteral("DELETE FROM UserSchedulingParams WHERE taskid IN (SELECT taskid FROM "
                              "UserScheduling WHERE IsDelete = 1)")) &&
           data_->execSql(QStringLiteral("DELETE FROM UserScheduling WHERE IsDelete = 1"));
}

QString UserScheduling::GetTaskTypeByTaskTypeId(const QString& typeId)
{
    static const QMap<QString, const char*> names{{"cal", "Calibration"},
                                                  {"con", "Calibration Conformance"},
                                                  {"awl", "Display Luminance Calibration"},
                                                  {"vwl", "Display Luminance Conformance"},
                                                  {"aws", "Automatic White Level Stabilization"},
                                                  {"vun", "Uniformity Conformance"},
                                                  {"dtp", "Display Test Pattern"},
                                                  {"ovt", "Online Visual Display Test"},
                                                  {"mmi", "MQSA Monitor Inspection"},
                                                  {"fbs", "Full Black Surface Test"},
                                                  {"ela", "Everlight ANZ QA"},
                                                  {"sur", "SMPTE US Rad"},
                                                  {"icc", "Create ICC Profile"}};
    const auto found = names.constFind(typeId);
    return found == names.constEnd() ? typeId : QCoreApplication::translate("UserScheduling", *found);
}
