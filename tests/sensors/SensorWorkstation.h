#pragma once

#include <QString>

// The simulated workstation of the sensor tests: DP-1 carries a front sensor ("FS100") and
// a built-in one whose serial names the display; a handheld sensor and a keyboard hang on
// USB; DP-2 has no sensor. `faults` goes into the front sensor's "faults" object and
// `extraDisplay` into DP-1's object.
class SensorWorkstation
{
public:
    static bool install(const QString& faults = QString(), const QString& extraDisplay = QString(),
                        const QString& extraHid = QString());
    static void uninstall();
    // The workstation file of the last install(), for a program started on it.
    static QString file();
    static int displayId(const QString& output);
};
