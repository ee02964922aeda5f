#pragma once

#include "sync/BaseSynchronizer.h"

// Sends the option catalogue, so the server can show the settings it may change.
class SettingsMapSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    QString action() const override { return QStringLiteral("SETTINGSNAMES"); }
    QString className(int version) const override
    {
        return version >= 2 ? QStringLiteral("SettingsMapSynchronizer")
                            : QStringLiteral("SettingsMapSynchronizer");
    }
    QString synchronizeMessage() const override
    {
        return QStringLiteral("Operation of synchronisation of the settings names has started");
    }

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;
};
