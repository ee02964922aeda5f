#pragma once

#include "sync/BaseSynchronizer.h"

#include <QMap>

// User tasks both ways. A task echoed back by the server is matched by its server
// id, or, the first time, by the local task id it was sent with; so no run ever
// duplicates a task. Locally deleted tasks are removed only after the server took
// the deletion (status 4). A task edited here while the request was out keeps the
// local edit and goes up again in the next run.
class UserServerTaskSynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    UserServerTaskSynchronizerV2();

    // Member name of the task object -> column of UserScheduling, for the plain text members.
    static const QList<QPair<QString, QString>>& textMembers();
    static QString taskTypeName(const QString& code);

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // taskid -> the whole row as it was sent.
    QMap<QString, QMap<QString, QString>> m_sent;
};
