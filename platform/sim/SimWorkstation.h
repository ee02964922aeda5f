#pragma once

#include "platform/sim/SimDisplay.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QObject>

#include <array>

// The simulated workstation: video cards, displays and the session, described by a
// JSON file and changed while the program runs through `apply` (the control socket
// of `lutloaderctl sim`). Thread-safe: accessors return copies taken under a lock,
// signals are emitted after the lock is released.
class SimWorkstation : public QObject
{
    Q_OBJECT
public:
    explicit SimWorkstation(QObject* parent = nullptr);

    static QString defaultWorkstationFile();

    bool loadFile(const QString& path, QString* error = nullptr);
    bool loadJson(const QByteArray& json, const QString& baseDir, QString* error = nullptr);

    QString name() const;
    QList<SimVideoCard> videoCards() const;
    std::optional<SimVideoCard> videoCard(const QString& id) const;
    QList<SimDisplay> displays() const;
    std::optional<SimDisplay> display(const QString& output) const;
    bool isLocked() const;

    // The HID devices plugged in now (all of them with `includeUnplugged`).
    QList<SimHidEntry> hidDevices(bool includeUnplugged = false) const;
    // Port number (as text) to the device a serial instrument answers on. Each call counts as
    // one listing of the machine's serial ports, which on a real system is slow.
    QJsonObject serialPorts() const;
    int serialPortListings() const;
    std::optional<SimHidEntry> hidDevice(const QString& path) const;
    // Unplugs a HID device in the middle of whatever it does (a sensor fault).
    void setHidConnected(const QString& path, bool connected);
    // The light in the room at the display on `output` (lux), as its ambient sensor sees it.
    double ambientLux(const QString& output) const;
    void setAmbientLux(const QString& output, double lux);
    // What the display on `output` shows where its sensor looks: red, green and blue drive
    // levels from 0 to 1 before the card's ramp; white until someone draws a patch.
    std::array<double, 3> shownPatch(const QString& output) const;
    void setShownPatch(const QString& output, const std::array<double, 3>& rgb);
    enum class ScreenSaverState
    {
        Off,
        Running,
        // Running and asking for the password to end.
        Locked
    };
    ScreenSaverState screenSaver() const;
    // Ends a running screen saver that is not a lock; false otherwise.
    bool stopScreenSaver();
    // Counts a request to keep the system awake (the control socket's state shows the count).
    void keepAwake();
    // Seconds the simulated clock runs ahead of the host's ("sim clock advance N").
    qint64 clockOffset() const;

    // Runs one control command ({"cmd": "lock"} and so on) and answers with
    // {"ok": true, ...} or {"ok": false, "error": "..."}.
    QJsonObject apply(const QJsonObject& command);
    QJsonObject state() const;

Q_SIGNALS:
    void sessionLockChanged(bool locked);
    void consoleConnectionChanged(bool connected);
    void displayConnectionChanged(const QString& output, bool connected);
    void displayPowerChanged(const QString& output, SimDisplay::Power power);
    void displayGeometryChanged();
    void prepareForSleep(bool sleeping);
    void sessionEnding();
    void closeRequested();
    // A hot key pressed on the simulated keyboard, as a key sequence text ("Ctrl+Shift+F11").
    void hotKeyPressed(const QString& keys);
    // The simulated clock was moved.
    void clockChanged();
    // The simulated user clicked a button of the open task notification: "perform", or
    // "remind" with the delay chosen in the "Remind Me In" list.
    void notificationClicked(const QString& button, int seconds);

private:
    QJsonObject setConnected(const QString& output, bool connected);
    QJsonObject setPower(const QString& output, const QString& state);
    QJsonObject setLocked(bool locked);
    QJsonObject setLight(const QString& output, const QString& lux);
    QJsonObject setPatch(const QString& output, const QString& rgb);
    QJsonObject setHidPlugged(const QString& path, bool connected);
    QJsonObject setScreenSaver(const QString& state);
    QJsonObject moveClock(const QString& how, const QString& seconds);
    QJsonObject clickNotification(const QString& button, const QString& minutes);

    mutable QMutex m_mutex;
    QString m_name;
    bool m_locked = false;
    ScreenSaverState m_screenSaver = ScreenSaverState::Off;
    int m_keepAwakeRequests = 0;
    qint64 m_clockOffset = 0;
    QList<SimVideoCard> m_cards;
    QList<SimDisplay> m_displays;
    QList<SimHidEntry> m_hid;
    QJsonObject m_serialPorts;
    mutable int m_serialPortListings = 0;
    QHash<QString, double> m_ambientLux;
    QHash<QString, std::array<double, 3>> m_patches;
};
