#include "sync/QAStepsSynchronize.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "sync/QATasksTimeSynchronize.h"

#include <QDebug>

QAStepsSynchronize::QAStepsSynchronize()
    : BaseSynchronizer(
          {.action = QStringLiteral("QASTEPS"),
           .name = QStringLiteral("QAStepsSynchronize"),
           .message = QStringLiteral("Operation of synchronisation of the QA steps has started")})
{
}

QJsonValue QAStepsSynchronize::read()
{
    QJsonArray list;
    for (auto it = database()->query(
             QStringLiteral("SELECT displayid, stepid FROM QASchedulingSteps ORDER BY displayid, stepid"));
         !it.IsNull(); ++it)
        list.append(QJsonObject{{QStringLiteral("displayId"), it.value(QStringLiteral("displayid")).toInt()},
                                {QStringLiteral("stepId"), it.value(QStringLiteral("stepid")).toInt()}});
    addSent(int(list.size()));
    return list;
}

bool QAStepsSynchronize::write(const QJsonObject& reply)
{
    qDebug() << "QAStepsSynchronize result - "
             << toInt(reply.value(QStringLiteral("header")).toObject().value(QStringLiteral("result")));
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    int applied = 0;
    qDebug() << "QAStepsSynchronize 1";
    for (const QJsonValue& item : toList(reply.value(QStringLiteral("data")))) {
        const QJsonObject entry = item.toObject();
        const QString displayid = QString::number(toInt(entry.value(QStringLiteral("displayId")), -1));
        const QString stepid = QString::number(toInt(entry.value(QStringLiteral("stepId")), -1));
        const qint64 time = toInt64(entry.value(QStringLiteral("nextTime")), -1);
        qDebug() << "QAStepsSynchronize 2 - " << displayid << stepid << time;
        if (time < 0)
            continue;
        ok = ok && QATasksTimeSynchronize::SetTaskTime(*db, displayid, stepid, time,
                                                       QATasksTimeSynchronize::unsentEditRule(version()));
        const QString groupid =
            db->query(QStringLiteral("SELECT groupid FROM QASchedulingSteps WHERE displayid = ? AND "
                                     "stepid = ?"),
                      {displayid, stepid})
                .value(QStringLiteral("groupid"));
        if (!groupid.isEmpty()) {
            qDebug() << "QAStepsSynchronize 3 " << groupid;
            ok = ok &&
                 db->exec(QStringLiteral("UPDATE QASchedulingGroups SET nextdate = ? WHERE groupid = ? AND "
                                         "displayid = ?"),
                          {QString::number(time), groupid, displayid});
        }
        ++applied;
    }
    return finishApply(transaction, ok, applied);
}
