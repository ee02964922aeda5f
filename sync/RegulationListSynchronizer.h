#pragma once

#include "sync/BaseSynchronizer.h"

// Tells the server which user regulations this workstation has.
class RegulationListSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    QString action() const override { return QStringLiteral("USERREGULATIONLIST"); }
    QString className(int version) const override
    {
        return version >= 2 ? QStringLiteral("RegulationListSynchronizer")
                            : QStringLiteral("RegulationListSynchronizer");
    }
    QString synchronizeMessage() const override
    {
        return QStringLiteral("Operation of synchronisation of the user regulation list has started");
    }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;
    bool xmlPayload() const override { return true; }
};
