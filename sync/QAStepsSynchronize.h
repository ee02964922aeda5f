#pragma once

#include "sync/BaseSynchronizer.h"

// Fixed times of single QA steps set on the server.
class QAStepsSynchronize : public BaseSynchronizer
{
    Q_OBJECT
public:
    QString action() const override { return QStringLiteral("QASTEPS"); }
    QString className(int) const override { return QStringLiteral("QAStepsSynchronize"); }
    QString synchronizeMessage() const override
    {
        return QStringLiteral("Operation of synchronisation of the QA steps has started");
    }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;
};
