#pragma once

#include <QString>

// colord, the colour daemon of many Linux desktops, over the system D-Bus. Only
// used where it already runs: a missing bus or daemon is answered with
// `available() == false`, never by starting it. Every call has a short time-out.
class ColordClient
{
public:
    static bool available();
    // Makes the profile file the default profile of the colord device of the RandR output.
    static bool makeDefault(const QString& profilePath, const QString& outputName, QString* error);
    // File of the device's default profile; empty when colord has none or does not run.
    static QString defaultProfile(const QString& outputName);
};
