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

    // Stores the fixed time of a step (a row of QATasksTime, not marked for upload).
    static bool SetTaskTime(KaldoDynamicData& db, const QString& displayid, const QString& stepid,
                            qint64 time);
    // Gives every step of the group `groupid` of `displayid` the time, and the group its due date.
    static bool setGroupTime(KaldoDynamicData& db, const QString& displayid, const QString& groupid,
                             qint64 time);

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    QList<QStringList> m_sent;
};
