#pragma once

#include "sync/BaseSynchronizer.h"

// Tells the server which languages the user can choose here.
class LangListSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    QString action() const override { return QStringLiteral("USERLANGUAGES"); }
    QString className(int version) const override
    {
        return version >= 2 ? QStringLiteral("LangListSynchronizer") : QStringLiteral("LangListSynchronizer");
    }
    QString synchronizeMessage() const override { return QStringLiteral("Language list synchronisation"); }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;
    bool xmlPayload() const override { return true; }
};
