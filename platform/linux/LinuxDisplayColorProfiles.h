#pragma once

#include "platform/DisplayColorProfiles.h"

#include <QHash>
#include <QMutex>

// Display profiles on a Linux desktop: the user's XDG colour folder
// ($XDG_DATA_HOME/icc, ~/.local/share/icc by default), the X server's
// "_ICC_PROFILE" root-window properties where an X display is reachable, and
// colord where it runs. A display is found on the X server by its RandR output
// name (the device name), or by the output index when the device id is a number.
class LinuxDisplayColorProfiles : public DisplayColorProfiles
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
    QString install(const QString& profilePath) const;
    bool setX11Profile(const QString& installed, const QString& deviceName, const QString& deviceId) const;
    void setColordProfile(const QString& installed, const QString& deviceName) const;
    QString fileWithContent(const QByteArray& content) const;
    void remember(const QString& deviceName, const QString& path) const;
    void fail(int code, const QString& text) const;

    mutable QMutex m_mutex;
    mutable QHash<QString, QString> m_current; // device name -> profile path set by this process
    mutable Error m_lastError;
};
