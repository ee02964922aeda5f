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
    QString action() const override { return QStringLiteral("QATASKS"); }
    QString className(int version) const override
    {
        return version >= 2 ? QStringLiteral("QATasksSynchronizeV2") : QStringLiteral("QATasksSynchronize");
    }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    // displayid, TaskKey, dateFrom, dateTo of every postponement sent.
    QList<QStringList> m_sent;
};
