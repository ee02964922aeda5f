#pragma once

#include "sync/BaseSynchronizer.h"

// The displays' QA status values.
class DisplayStatusSynchronizerV2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    QString action() const override { return QStringLiteral("DISPLAYSTATUSES"); }
    QString className(int version) const override
    {
        return version >= 2 ? QStringLiteral("DisplayStatusSynchronizerV2")
                            : QStringLiteral("DisplayStatusSynchronizer");
    }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;
};
