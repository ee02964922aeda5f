#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// Fixed times of QA tasks set on the server.
class QATasksTimeSynchronize : public BaseSynchronizer
{
    Q_OBJECT
public:
    QATasksTimeSynchronize();

    // Who wins when the server sends a time for a step whose time was edited here and not sent yet.
    enum class UnsentEdit
    {
        // The edit goes up with the next run (the step times travel with TASKQATIME).
        KeepLocal,
        // The protocol has no way to send it: the server's time is taken, and that is logged.
        TakeServer,
    };
    static UnsentEdit unsentEditRule(int version)
    {
        return version >= 2 ? UnsentEdit::KeepLocal : UnsentEdit::TakeServer;
    }

    // Stores the server's fixed time of a step (a row of QATasksTime, not marked for upload).
    static bool SetTaskTime(KaldoDynamicData& db, const QString& displayid, const QString& stepid,
                            qint64 time, UnsentEdit rule);
    // Gives every step of the group `groupid` of `displayid` the time, and the group its due date.
    static bool setGroupTime(KaldoDynamicData& db, const QString& displayid, const QString& groupid,
                             qint64 time, UnsentEdit rule);

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    QList<QStringList> m_sent;
};
