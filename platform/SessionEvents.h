#pragma once

#include <QObject>

// What the operating system tells an interactive agent about its session: lock and
// unlock, console attach and detach, console display power, display hot-plug, and
// the end of the session. Several sources may exist at once; each delivers on the
// thread that created it. A source that cannot reach its origin logs that and stays
// silent.
class SessionEvents : public QObject
{
    Q_OBJECT
public:
    // Session change codes as the agent's listener understands them.
    enum SessionChange
    {
        ConsoleConnect = 1,
        ConsoleDisconnect = 2,
        RemoteConnect = 3,
        RemoteDisconnect = 4,
        SessionLogon = 5,
        SessionLogoff = 6,
        SessionLock = 7,
        SessionUnlock = 8,
    };
    // Console display power values: 0 off, 1 on, 2 dimmed.
    enum DisplayPower
    {
        PowerOff = 0,
        PowerOn = 1,
        PowerDimmed = 2,
    };

    using QObject::QObject;
    ~SessionEvents() override = default;

    // Number of monitors attached now, or -1 when they cannot be counted.
    virtual int connectedDisplayCount() const = 0;

Q_SIGNALS:
    void sessionChanged(int code);
    void displayPowerChanged(int value);
    // Displays were added, removed or rearranged.
    void displayConfigurationChanged();
    // The session is about to end; handlers run before the source lets it go on.
    void endSessionQueried();
    // The program is asked to close (end of session, a close request, a termination signal).
    void closeRequested(const QString& reason);
};
