#include "sync/QATasksTimeSynchronize.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"

#include <QDebug>

QATasksTimeSynchronize::QATasksTimeSynchronize()
    : BaseSynchronizer(
          {.action = QStringLiteral("TASKQATIME"),
           .name = QStringLiteral("QATasksTimeSynchronize"),
           .message = QStringLiteral("Operation of synchronisation of the QA tasks time has started"),
           .xmlPayload = true})
{
}

bool QATasksTimeSynchronize::SetTaskTime(KaldoDynamicData& db, const QString& displayid,
                                         const QString& stepid, qint64 time, UnsentEdit rule)
{
    const auto current =
        db.query(QStringLiteral("SELECT time, issynchron FROM QATasksTime WHERE dispid = ? AND stepid = ?"),
                 {displayid, stepid});
    if (current.IsNull())
        return db.exec(
            QStringLiteral("INSERT INTO QATasksTime (stepid, dispid, time, issynchron) VALUES (?, ?, ?, 1)"),
            {stepid, displayid, time});
    if (current.value(QStringLiteral("issynchron")) == QLatin1String("0") &&
        current.value(QStringLiteral("time")).toLongLong() != time) {
        if (rule == UnsentEdit::KeepLocal) {
            qDebug().noquote() << "QA step time of display" << displayid << "step" << stepid
                               << "edited here and not sent yet: the local time"
                               << current.value(QStringLiteral("time")) << "wins over the server's" << time;
            return true;
        }
        qDebug().noquote() << "QA step time of display" << displayid << "step" << stepid
                           << "edited here, but this protocol cannot send it: the server's time" << time
                           << "replaces the local" << current.value(QStringLiteral("time"));
    }
    return db.exec(
        QStringLiteral("UPDATE QATasksTime SET time = ?, issynchron = 1 WHERE dispid = ? AND stepid = ?"),
        {time, displayid, stepid});
}

bool QATasksTimeSynchronize::setGroupTime(KaldoDynamicData& db, const QString& displayid,
                                          const QString& groupid, qint64 time, UnsentEdit rule)
{
    bool ok = true;
    for (auto step = db.query(
             QStringLiteral("SELECT stepid FROM QASchedulingSteps WHERE groupid = ? AND displayid = ?"),
             {groupid, displayid});
         !step.IsNull(); ++step)
        ok = ok && SetTaskTime(db, displayid, step.value(QStringLiteral("stepid")), time, rule);
    return ok &&
           db.exec(QStringLiteral(
                       "UPDATE QASchedulingGroups SET nextdate = ? WHERE groupid = ? AND displayid = ?"),
                   {QString::number(time), groupid, displayid});
}

QJsonValue QATasksTimeSynchronize::read()
{
    m_sent.clear();
    QJsonArray list;
    for (auto it = database()->query(QStringLiteral(
             "SELECT dispid, stepid, time FROM QATasksTime WHERE issynchron = 0 ORDER BY dispid, stepid"));
         !it.IsNull(); ++it) {
        const QStringList row{it.value(QStringLiteral("dispid")), it.value(QStringLiteral("stepid")),
                              it.value(QStringLiteral("time"))};
        m_sent << row;
        list.append(QJsonObject{{QStringLiteral("dispid"), row[0].toInt()},
                                {QStringLiteral("stepid"), row[1].toInt()},
                                {QStringLiteral("time"), row[2].toLongLong()}});
    }
    addSent(int(m_sent.size()));
    return list;
}

bool QATasksTimeSynchronize::write(const QJsonObject& reply)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    for (const QStringList& row : m_sent)
        ok = ok && db->exec(QStringLiteral(
                                "UPDATE QATasksTime SET issynchron = 1 WHERE dispid = ? AND stepid = ? AND "
                                "time = ? AND issynchron = 0"),
                            {row[0], row[1], row[2]});
    int applied = 0;
    for (const QJsonValue& item : toList(reply.value(QStringLiteral("time")))) {
        const QJsonObject entry = item.toObject();
        const QString key = toText(entry.value(QStringLiteral("taskkey")));
        const qint64 time = toInt64(entry.value(QStringLiteral("nexttime")), -1);
        auto group = db->query(
            QStringLiteral("SELECT groupid, displayid FROM QASchedulingGroups WHERE TaskKey = ?"), {key});
        if (group.IsNull() || time < 0) {
            qDebug() << "TASKQATIME - unknown task key or no time, ignored:" << key;
            continue;
        }
        for (; !group.IsNull(); ++group)
            ok = ok && setGroupTime(*db, group.value(QStringLiteral("displayid")),
                                    group.value(QStringLiteral("groupid")), time, unsentEditRule(version()));
        ++applied;
    }
    return finishApply(transaction, ok, applied);
}
