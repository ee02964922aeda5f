#pragma once

#include <QObject>

#include <memory>

class SessionEvents;

// The agent's ear for the operating system: session lock and unlock, console
// display power, display hot-plug and the end of the session, turned into the
// signals the tray and the task runner react to. Several listeners may exist at
// once; each has its own platform source.
class WindowsEventListener : public QObject
{
    Q_OBJECT
public:
    enum class DisplayState
    {
        On,
        Off,
        Dimmed
    };

    explicit WindowsEventListener(QObject* parent = nullptr);
    ~WindowsEventListener() override;

    // Number of monitors attached now, or -1 when they cannot be counted.
    static int totConnectedDisplays();
    // True once the system asked the program to end; long start-up loops stop early.
    static bool quitRequested();

    void checkNumberOfConnectedDisplays();
    void eventHandler(int sessionEventCode, long sessionId);
    void setDisplayPowerState(DisplayState state);
    void emitDisplayGeometryChanged();
    void emitPrepareForQuit();
    void emitQuit();

    int connectedDisplays() const { return m_connectedDisplays; }
    bool displayWasOff() const { return m_displayWasOff; }

    // The console display state of a power notification value: 1 on, 2 dimmed, anything else off.
    static DisplayState displayStateFromValue(int value);

Q_SIGNALS:
    void signalSessionLock();
    void signalSessionUnlock();
    void signalDiplayGeometryChanged();
    void signalDisplayWakeUp();
    void signalDisplayConnected();
    void signalDisplayDisconnected();
    void signalPrepareForQuit();
    void signalQuit();

private:
    void onDisplayPower(int value);
    void onDisplayConfigurationChanged();
    void onEndSessionQueried();
    void onCloseRequested(const QString& reason);

    std::unique_ptr<SessionEvents> m_events;
    bool m_displayWasOff = false;
    int m_connectedDisplays = 0;
};
