#pragma once

#include "platform/DisplayColorProfiles.h"

#include <QHash>
#include <QMutex>

// Display profiles through the Windows colour system (mscms): the colour directory,
// the device context's profile, installation and association per monitor device,
// with the per-device functions of newer systems looked up at run time. The device
// name opens the device context (\\.\DISPLAY1); the device id names the monitor device.
class WinDisplayColorProfiles : public DisplayColorProfiles
{
public:
    QString colorDirectory() const override;
    QString currentProfile(const QString& deviceName, const QString& deviceId) const override;
    bool associate(const QString& profilePath, const QString& deviceName,
                   const QString& deviceId) const override;
    bool associateStandard(const QString& deviceName, const QString& deviceId) const override;
    QString standardProfile() const override;
    Error lastError() const override;

private:
    QString deviceContextProfile(const QString& deviceName) const;
    void remember(const QString& deviceName, const QString& path) const;
    void recordError(const char* function) const;

    mutable QMutex m_mutex;
    mutable QHash<QString, QString> m_current;
    mutable Error m_lastError;
};
