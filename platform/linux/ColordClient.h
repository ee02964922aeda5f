#pragma once

#include <QByteArray>
#include <QString>

// colord, the colour daemon of many Linux desktops, over the system D-Bus. Only used where it
// already runs: a missing bus or daemon is answered with `available() == false`, never by
// starting it. Every call has a short time-out.
//
// A display is colord's device of the RandR output: the one the desktop made (found by its
// "XRANDR_name" metadata), or, where no desktop made one, a device "xrandr-<output>" that the
// agent creates. Profiles are registered with their EDID_md5, so colord ties them to the same
// monitor on whatever output it is plugged in later.
class ColordClient
{
public:
    struct Device
    {
        QString outputName;
        QByteArray edid; // empty when unknown
    };

    static bool available();
    // Object path of the output's device, made when none exists; empty on failure.
    static QString device(const Device& display, QString* error);
    // Object path of the profile registered for the file, registered when new; empty on failure.
    static QString profile(const QString& profilePath, const Device& display, QString* error);
    // Makes the profile file the default profile of the output's device.
    static bool makeDefault(const QString& profilePath, const Device& display, QString* error);
    // File of the device's default profile; empty when colord has none or does not run.
    static QString defaultProfile(const QString& outputName);
    // colord's id of a device made by the agent for an output.
    static QString deviceId(const QString& outputName);
    // Lower-case hex MD5 of the EDID, as colord's EDID_md5 metadata has it.
    static QString edidMd5(const QByteArray& edid);
};
