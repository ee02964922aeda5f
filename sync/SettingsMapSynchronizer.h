#pragma once

#include "sync/BaseSynchronizer.h"

// Sends the option catalogue, so the server can show the settings it may change.
class SettingsMapSynchronizer : public BaseSynchronizer
{
    Q_OBJECT
public:
    SettingsMapSynchronizer();

protected:
    QJsonValue read() override;
};
