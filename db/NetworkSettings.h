#pragma once

#include <QString>

// How the synchronisation reaches the remote management server: read from the
// preferences for each run and copied into every synchroniser.
struct NetworkSettings
{
    QString serverName;
    QString user;
    // In clear text; the preferences keep it scrambled.
    QString password;
    QString workstationId;
    bool useProxy = false;
    QString proxyHost;
    QString proxyPort;
    QString proxyUser;
    QString proxyPassword;
};
