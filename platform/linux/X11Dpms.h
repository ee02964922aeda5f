#pragma once

#include <QString>

#include <optional>

// Monitor power of the X display through the DPMS extension: what the energy-save hours
// switch. The server passes the level to every monitor it drives.
class X11Dpms
{
public:
    enum Level
    {
        On = 0,
        Standby = 1,
        Suspend = 2,
        Off = 3,
    };

    // Forces the monitors on or off, enabling DPMS on the server first where it is off (a forced
    // level needs it). False, with the reason in `error`, without an X display or the extension.
    static bool force(bool on, QString* error = nullptr, const QString& displayName = QString());
    // Whether the X server offers the DPMS extension at all (Xorg adds it only where a driver
    // can switch the monitors: not on the dummy driver, not on Xvfb).
    static bool supported(const QString& displayName = QString());
    // The level the server reports now; empty without an X display, the extension, or while
    // DPMS is disabled.
    static std::optional<Level> level(const QString& displayName = QString());
};
