#pragma once

#include <QString>

// Display profile association of the active platform backend, with the log lines
// every platform shares.
class OSProfile
{
public:
    static QString profilepath();
    static QString currentDisplayProfile(const QString& deviceName, const QString& deviceId = {});
    static bool ApplyProfile(const QString& profilePath, const QString& deviceName, const QString& deviceId);
    static bool ApplySystemProfile(const QString& deviceName, const QString& deviceId);
    static QString standardProfile();
    static void debugError();
};
