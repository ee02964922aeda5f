#include "sync/UserServerTaskSynchronizerV2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"

#include <QDateTime>
#include <QDebug>

namespace {

QMap<QString, QString> rowOf(KaldoDynamicData& db, const QString& taskid)
{
    return db.query(QStringLiteral("SELECT * FROM UserScheduling WHERE taskid = ?"), {taskid}).values();
}

bool deleteTask(KaldoDynamicData& db, const QString& taskid)
{
    return db.exec(QStringLiteral("DELETE FROM UserScheduling WHERE taskid = ?"), {taskid}) &&
           db.exec(QStringLiteral("DELETE FROM UserSchedulingExceptions WHERE taskid = ?"), {taskid}) &&
           db.exec(QStringLiteral("DELETE FROM UserSchedulingParams WHERE taskid = ?"), {taskid});
}

} // namespace

UserServerTaskSynchronizerV2::UserServerTaskSynchronizerV2()
    : BaseSynchronizer({.action = QStringLiteral("CALTASKS"),
                        .name = QStringLiteral("UserServerTaskSynchronizerV2"),
                        .protocol1Name = QStringLiteral("UserServerTaskSynchronizer")})
{
}

const QList<QPair<QString, QString>>& UserServerTaskSynchronizerV2::textMembers()
{
    static const QList<QPair<QString, QString>> members{
        {QStringLiteral("type"), QStringLiteral("tasktype_id")},
        {QStringLiteral("schtype"), QStringLiteral("schedtype")},
        {QStringLiteral("disabled"), QStringLiteral("Disabled")},
        {QStringLiteral("dayofmonth"), QStringLiteral("DayOfMonth")},
        {QStringLiteral("daysofweek"), QStringLiteral("DaysOfWeek")},
        {QStringLiteral("everynday"), QStringLiteral("EveryNDay")},
        {QStringLiteral("everynweek"), QStringLiteral("EveryNWeek")},
        {QStringLiteral("monthes"), QStringLiteral("Monthes")},
        {QStringLiteral("nthflag"), QStringLiteral("NthFlag")},
        {QStringLiteral("startdate"), QStringLiteral("StartDate")},
        {QStringLiteral("starttime"), QStringLiteral("StartTime")},
        {QStringLiteral("startupdelay"), QStringLiteral("StartupDelay")},
        {QStringLiteral("weekofmonth"), QStringLiteral("WeekOfMonth")},
        {QStringLiteral("schedulingstr"), QStringLiteral("schedstr")},
        {QStringLiteral("testpattern"), QStringLiteral("schedtestpattern")},
        {QStringLiteral("timeformat"), QStringLiteral("TimeFormat")},
    };
    return members;
}

QString UserServerTaskSynchronizerV2::taskTypeName(const QString& code)
{
    static const QMap<QString, QString> names{
        {QStringLiteral("cal"), QStringLiteral("Display Calibration")},
        {QStringLiteral("con"), QStringLiteral("Display Conformance")},
        {QStringLiteral("awl"), QStringLiteral("Display Luminance Calibration")},
        {QStringLiteral("vwl"), QStringLiteral("Display Luminance Conformance")},
        {QStringLiteral("vun"), QStringLiteral("Display Verify Uniformity")},
        {QStringLiteral("dtp"), QStringLiteral("Display Test Pattern")},
        {QStringLiteral("ovt"), QStringLiteral("Online Visual Display Test")},
        {QStringLiteral("mmi"), QStringLiteral("MQSA Monitor Inspaction")},
        {QStringLiteral("fbs"), QStringLiteral("Full Black Surface Test")},
        {QStringLiteral("ela"), QStringLiteral("Everlight ANZ QA")},
        {QStringLiteral("sur"), QStringLiteral("SMPTE US Rad")},
    };
    return names.value(code);
}

QJsonValue UserServerTaskSynchronizerV2::read()
{
    m_sent.clear();
    auto db = database();
    QJsonArray tasks;
    for (auto it = db->query(QStringLiteral("SELECT * FROM UserScheduling ORDER BY taskid")); !it.IsNull();
         ++it) {
        const QMap<QString, QString> row = it.values();
        const QString taskid = row.value(QStringLiteral("taskid"));
        m_sent.insert(taskid, row);
        QJsonObject task{
            {QStringLiteral("displayId"), row.value(QStringLiteral("displayid")).toInt()},
            {QStringLiteral("serverTaskId"), row.value(QStringLiteral("servertask_id")).toInt()},
            {QStringLiteral("taskId"), taskid.toInt()},
            {QStringLiteral("lastrun"), row.value(QStringLiteral("lastrun")).toLongLong()},
            {QStringLiteral("nextrun"), row.value(QStringLiteral("nextrun")).toLongLong()},
            {QStringLiteral("status"), row.value(QStringLiteral("TaskStatus")).toInt()},
            {QStringLiteral("deleted"), row.value(QStringLiteral("IsDelete")) == QLatin1String("1")
                                            ? QStringLiteral("true")
                                            : QStringLiteral("false")},
        };
        for (const auto& [member, column] : textMembers())
            task.insert(member, row.value(column));
        QJsonArray exceptions;
        for (auto ex =
                 db->query(QStringLiteral("SELECT from_date, to_date FROM UserSchedulingExceptions WHERE "
                                          "taskid = ? ORDER BY from_date"),
                           {taskid});
             !ex.IsNull(); ++ex)
            exceptions.append(
                QJsonObject{{QStringLiteral("from"), ex.value(QStringLiteral("from_date")).toLongLong()},
                            {QStringLiteral("to"), ex.value(QStringLiteral("to_date")).toLongLong()}});
        task.insert(QStringLiteral("exceptions"), exceptions);
        QJsonArray params;
        for (auto param =
                 db->query(QStringLiteral("SELECT name, value FROM UserSchedulingParams WHERE taskid = ? "
                                          "ORDER BY rowid"),
                           {taskid});
             !param.IsNull(); ++param)
            params.append(QJsonObject{{QStringLiteral("name"), param.value(QStringLiteral("name"))},
                                      {QStringLiteral("value"), param.value(QStringLiteral("value"))}});
        task.insert(QStringLiteral("params"), params);
        tasks.append(task);
    }
    addSent(int(tasks.size()));
    return QJsonObject{{QStringLiteral("tasks"), tasks}};
}

bool UserServerTaskSynchronizerV2::write(const QJsonObject& reply)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();

    // Deletions and edits the server now has: drop the deleted rows, clear the marks,
    // but only where the row is still exactly what was sent.
    for (auto it = m_sent.begin(); it != m_sent.end(); ++it) {
        const QMap<QString, QString> now = rowOf(*db, it.key());
        if (now.isEmpty() || now != it.value())
            continue;
        if (now.value(QStringLiteral("IsDelete")) == QLatin1String("1")) {
            ok = ok && deleteTask(*db, it.key());
        } else if (now.value(QStringLiteral("issynchron")) != QLatin1String("1")) {
            ok = ok && db->exec(QStringLiteral("UPDATE UserScheduling SET issynchron = 1 WHERE taskid = ?"),
                                {it.key()});
        }
    }

    int applied = 0;
    QJsonValue tasks = reply.value(QStringLiteral("tasks"));
    if (tasks.isUndefined() && reply.value(QStringLiteral("data")).isObject())
        tasks = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("tasks"));
    for (const QJsonValue& item : toList(tasks)) {
        const QJsonObject task = item.toObject();
        const qint64 serverId = toInt64(task.value(QStringLiteral("serverTaskId")));
        const qint64 taskId = toInt64(task.value(QStringLiteral("taskId")));
        QString local;
        if (serverId > 0)
            local = db->query(QStringLiteral("SELECT taskid FROM UserScheduling WHERE servertask_id = ?"),
                              {serverId})
                        .value(QStringLiteral("taskid"));
        if (local.isEmpty() && taskId > 0)
            local = db->query(QStringLiteral("SELECT taskid FROM UserScheduling WHERE taskid = ? AND "
                                             "(servertask_id IS NULL OR servertask_id <= 0)"),
                              {taskId})
                        .value(QStringLiteral("taskid"));

        if (toText(task.value(QStringLiteral("deleted"))) == QLatin1String("true")) {
            if (!local.isEmpty()) {
                qDebug() << "Delete task - " << local << serverId;
                ok = ok && deleteTask(*db, local);
                ++applied;
            }
            continue;
        }

        if (!local.isEmpty()) {
            const QMap<QString, QString> now = rowOf(*db, local);
            if (now.value(QStringLiteral("issynchron")) == QLatin1String("0")) {
                // Still marked: edited here after it was sent. Keep the edit, only learn the server id.
                qDebug() << "CALTASKS - task" << local << "edited here and not sent yet: the local edit wins";
                if (serverId > 0)
                    ok = ok && db->exec(QStringLiteral(
                                            "UPDATE UserScheduling SET servertask_id = ? WHERE taskid = ?"),
                                        {serverId, local});
                continue;
            }
            qDebug() << "Edit task - " << local << serverId;
        } else {
            qDebug() << "Add task - " << serverId << toText(task.value(QStringLiteral("type")));
            qint64 newId = 0;
            ok =
                ok &&
                db->exec(QStringLiteral("INSERT INTO UserScheduling (servertask_id, CreateTime, issynchron, "
                                        "IsDelete, IsHide, DaysOfWeek, schedtestpattern) VALUES (?, ?, 1, 0, "
                                        "0, '1;2;3;4;5;6;7', 'SMPTE')"),
                         {serverId, QDateTime::currentSecsSinceEpoch()}, &newId);
            local = QString::number(newId);
        }
        QStringList sets{QStringLiteral("servertask_id = ?"), QStringLiteral("issynchron = 1")};
        QVariantList values{serverId};
        const auto put = [&](const QString& column, const QVariant& value) {
            sets << column + QStringLiteral(" = ?");
            values << value;
        };
        if (task.contains(QStringLiteral("displayId")))
            put(QStringLiteral("displayid"), toInt64(task.value(QStringLiteral("displayId"))));
        if (task.contains(QStringLiteral("lastrun")))
            put(QStringLiteral("lastrun"), toInt64(task.value(QStringLiteral("lastrun"))));
        if (task.contains(QStringLiteral("nextrun")))
            put(QStringLiteral("nextrun"), toInt64(task.value(QStringLiteral("nextrun"))));
        if (task.contains(QStringLiteral("status")))
            put(QStringLiteral("TaskStatus"), toInt64(task.value(QStringLiteral("status"))));
        for (const auto& [member, column] : textMembers()) {
            if (task.contains(member))
                put(column, toText(task.value(member)));
        }
        if (task.contains(QStringLiteral("type")))
            put(QStringLiteral("tasktype"), taskTypeName(toText(task.value(QStringLiteral("type")))));
        values << local;
        ok = ok && db->exec(QStringLiteral("UPDATE UserScheduling SET ") + sets.join(QStringLiteral(", ")) +
                                QStringLiteral(" WHERE taskid = ?"),
                            values);
        if (task.contains(QStringLiteral("exceptions"))) {
            ok = ok &&
                 db->exec(QStringLiteral("DELETE FROM UserSchedulingExceptions WHERE taskid = ?"), {local});
            for (const QJsonValue& ex : toList(task.value(QStringLiteral("exceptions")))) {
                const QJsonObject period = ex.toObject();
                ok = ok && db->exec(QStringLiteral(
                                        "INSERT INTO UserSchedulingExceptions (taskid, from_date, to_date) "
                                        "VALUES (?, ?, ?)"),
                                    {local, toInt64(period.value(QStringLiteral("from"))),
                                     toInt64(period.value(QStringLiteral("to")))});
            }
        }
        if (task.contains(QStringLiteral("params"))) {
            // The server sends a task's whole parameter set: what it leaves out is gone.
            ok = ok && db->exec(QStringLiteral("DELETE FROM UserSchedulingParams WHERE taskid = ?"), {local});
            for (const QJsonValue& item : toList(task.value(QStringLiteral("params")))) {
                const QJsonObject param = item.toObject();
                const QString name = toText(param.value(QStringLiteral("name")));
                if (name.isEmpty()) {
                    qWarning() << "CALTASKS - task" << local << "parameter without a name skipped";
                    continue;
                }
                ok = ok && db->exec(QStringLiteral("INSERT INTO UserSchedulingParams (taskid, name, value) "
                                                   "VALUES (?, ?, ?)"),
                                    {local, name, toText(param.value(QStringLiteral("value")))});
            }
        }
        ++applied;
    }
    return finishApply(transaction, ok, applied);
}
