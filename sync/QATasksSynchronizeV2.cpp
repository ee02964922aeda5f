#include "sync/QATasksSynchronizeV2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "sync/QATasksTimeSynchronize.h"

#include <QDebug>

QATasksSynchronizeV2::QATasksSynchronizeV2()
    : BaseSynchronizer({.action = QStringLiteral("QATASKS"),
                        .name = QStringLiteral("QATasksSynchronizeV2"),
                        .protocol1Name = QStringLiteral("QATasksSynchronize")})
{
}

QJsonValue QATasksSynchronizeV2::read()
{
    m_sent.clear();
    auto db = database();
    QJsonArray list;
    for (auto it = db->query(QStringLiteral("SELECT * FROM QASchedulingGroups ORDER BY displayid, groupid"));
         !it.IsNull(); ++it) {
        const QString displayid = it.value(QStringLiteral("displayid"));
        const QString key = it.value(QStringLiteral("TaskKey"));
        QJsonArray steps;
        for (auto step =
                 db->query(QStringLiteral("SELECT stepid FROM QASchedulingSteps WHERE groupid = ? AND "
                                          "displayid = ? ORDER BY stepid"),
                           {it.value(QStringLiteral("groupid")), displayid});
             !step.IsNull(); ++step)
            steps.append(step.value(QStringLiteral("stepid")).toInt());
        QJsonArray exceptions;
        for (auto ex = db->query(
                 QStringLiteral("SELECT dateFrom, dateTo FROM QASchedulingGroupsExceptions WHERE "
                                "displayid = ? AND TaskKey = ? AND issynchron = 0 ORDER BY dateFrom"),
                 {displayid, key});
             !ex.IsNull(); ++ex) {
            m_sent << QStringList{displayid, key, ex.value(QStringLiteral("dateFrom")),
                                  ex.value(QStringLiteral("dateTo"))};
            exceptions.append(
                QJsonObject{{QStringLiteral("from"), ex.value(QStringLiteral("dateFrom")).toLongLong()},
                            {QStringLiteral("to"), ex.value(QStringLiteral("dateTo")).toLongLong()}});
        }
        list.append(
            QJsonObject{{QStringLiteral("displayid"), displayid.toInt()},
                        {QStringLiteral("name"), it.value(QStringLiteral("qatype"))},
                        {QStringLiteral("freq"), it.value(QStringLiteral("frequency"))},
                        {QStringLiteral("freqCodes"), it.value(QStringLiteral("frequency_codes"))},
                        {QStringLiteral("lastrundate"), it.value(QStringLiteral("lastrundate"))},
                        {QStringLiteral("nextdate"), it.value(QStringLiteral("nextdate"))},
                        {QStringLiteral("nextdateFixed"), it.value(QStringLiteral("nextdate_fixed"))},
                        {QStringLiteral("taskStatus"), it.value(QStringLiteral("TaskStatus")).toInt()},
                        {QStringLiteral("taskKey"), key},
                        {QStringLiteral("stepsIds"), steps},
                        {QStringLiteral("exceptions"), exceptions}});
    }
    addSent(int(list.size()));
    return list;
}

bool QATasksSynchronizeV2::write(const QJsonObject& reply)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    // Drop what the server knows: the uploaded postponements and those just sent (when unchanged).
    ok = ok && db->exec(QStringLiteral("DELETE FROM QASchedulingGroupsExceptions WHERE issynchron = 1"));
    for (const QStringList& row : m_sent)
        ok =
            ok && db->exec(QStringLiteral(
                               "DELETE FROM QASchedulingGroupsExceptions WHERE displayid = ? AND TaskKey = ? "
                               "AND dateFrom = ? AND dateTo = ? AND issynchron = 0"),
                           {row[0], row[1], row[2], row[3]});
    int applied = 0;
    for (const QJsonValue& item : toList(reply.value(QStringLiteral("data")))) {
        const QJsonObject entry = item.toObject();
        const QString key = toText(entry.value(QStringLiteral("taskKey")));
        const QString displayid = QString::number(toInt(entry.value(QStringLiteral("displayid")), -1));
        const QString groupid =
            db->query(QStringLiteral("SELECT groupid FROM QASchedulingGroups WHERE TaskKey = ? AND "
                                     "displayid = ?"),
                      {key, displayid})
                .value(QStringLiteral("groupid"));
        if (groupid.isEmpty()) {
            qDebug() << "QATASKS - unknown group, skipped:" << displayid << key;
            continue;
        }
        for (const QJsonValue& ex : toList(entry.value(QStringLiteral("exceptions")))) {
            const QJsonObject period = ex.toObject();
            ok = ok && db->exec(QStringLiteral(
                                    "INSERT INTO QASchedulingGroupsExceptions (displayid, TaskKey, dateFrom, "
                                    "dateTo, issynchron) VALUES (?, ?, ?, ?, 1)"),
                                {displayid, key, toInt64(period.value(QStringLiteral("from"))),
                                 toInt64(period.value(QStringLiteral("to")))});
        }
        const qint64 nextdate = toInt64(entry.value(QStringLiteral("nextdate")), -1);
        if (nextdate >= 0)
            ok =
                ok && QATasksTimeSynchronize::setGroupTime(*db, displayid, groupid, nextdate,
                                                           QATasksTimeSynchronize::unsentEditRule(version()));
        ++applied;
    }
    return finishApply(transaction, ok, applied);
}
