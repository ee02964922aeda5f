#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// QA groups with their postponements both ways. Postponements made here while the
// request was out are kept; all others are replaced by the server's.
class QATasksSynchronizeV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    QATasksSynchronizeV2();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // displayid, TaskKey, dateFrom, dateTo of every postponement sent.
    QList<QStringList> m_sent;
};
