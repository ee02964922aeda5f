#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The ICC profiles of the X server's outputs as root-window properties, after the
// freedesktop "ICC profiles in X" convention: "_ICC_PROFILE" for output index 0,
// "_ICC_PROFILE_1", "_ICC_PROFILE_2", ... for the others, each holding the whole
// profile file as 8-bit CARDINAL data. Every call opens its own connection to the
// display named by $DISPLAY and is a no-op (false or nullopt) when none is reachable.
class X11ProfileAtoms
{
public:
    static QString atomName(int index);
    static bool reachable();
    // Position of a connected, active RandR output among the active ones; -1 when absent.
    static int outputIndex(const QString& outputName);
    static bool set(int index, const QByteArray& profile, QString* error);
    // The profile bytes; nullopt when the property is not set or no display is reachable.
    static std::optional<QByteArray> get(int index);
    static bool remove(int index, QString* error);
};
