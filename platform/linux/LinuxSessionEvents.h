#pragma once

#include "platform/SessionEvents.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>

class TerminationSignals;
class X11ServerWatch;

// Session notifications of a Linux desktop:
// - logind on the system bus: the session's Lock/Unlock signals and its LockedHint
//   and Active properties, the manager's PrepareForSleep/PrepareForShutdown, with a
//   delay inhibitor so the agent hears of them before they happen;
// - without a logind session of ours, the screen locker's ActiveChanged signal on the
//   session bus (org.freedesktop.ScreenSaver, or GNOME's own) for lock and unlock;
// - console display power from the DPMS state of the DRM connectors in sysfs;
// - display hot-plug from the DRM connector states and the GUI's screen list;
// - an X server appearing after a start without $DISPLAY, as a display change;
// - SIGTERM, SIGINT and SIGHUP as close requests.
class LinuxSessionEvents : public SessionEvents
{
    Q_OBJECT
public:
    struct Sources
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        // Where the screen locker announces itself when logind knows no session of ours.
        QDBusConnection sessionBus = QDBusConnection::sessionBus();
        QString drmRoot = QStringLiteral("/sys/class/drm");
        QString sessionId; // empty: the logind session of this process
        int pollIntervalMs = 2000;
        // Where local X servers keep their sockets; watched while the session has no $DISPLAY.
        // LUTLOADER_X11_SOCKET_DIR moves it (tests keep the agent off other X servers).
        QString x11SocketDir =
            qEnvironmentVariable("LUTLOADER_X11_SOCKET_DIR", QStringLiteral("/tmp/.X11-unix"));
    };

    LinuxSessionEvents(const Sources& sources, std::shared_ptr<TerminationSignals> termination,
                       QObject* parent = nullptr);
    ~LinuxSessionEvents() override;

    int connectedDisplayCount() const override;

    // Reads the DRM connectors now and reports changes (the timer calls it too).
    void pollDisplays();
    bool logindConnected() const { return !m_sessionPath.isEmpty(); }
    bool screenSaverWatched() const { return m_screenSaver; }

private Q_SLOTS:
    void onLock();
    void onUnlock();
    void onSessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                    const QStringList& invalidated);
    void onPrepareForSleep(bool start);
    void onPrepareForShutdown(bool start);
    void onScreenSaverActiveChanged(bool active);

private:
    struct Connectors
    {
        int connected = 0;
        int power = PowerOff;
        bool any = false;
        QStringList connectedNames; // sysfs folder names, "card0-HDMI-A-1"
    };

    void connectLogind();
    void connectScreenSaver();
    void connectDisplays();
    void setLocked(bool locked);
    void setActive(bool active);
    void takeInhibitor();
    void releaseInhibitor();
    Connectors readConnectors() const;
    void logHotPlug(const QStringList& before, const QStringList& now) const;

    Sources m_sources;
    std::shared_ptr<TerminationSignals> m_termination;
    QString m_sessionPath;
    QDBusUnixFileDescriptor m_inhibitor;
    bool m_locked = false;
    bool m_active = true;
    bool m_screenSaver = false;
    Connectors m_connectors;
    QTimer m_poll;
    X11ServerWatch* m_xWatch = nullptr; // owned as a child, only while there is no $DISPLAY
};
