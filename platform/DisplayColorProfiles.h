#pragma once

#include <QString>

// The operating system's colour management as far as display profiles go: where
// profiles live, which profile a display has, and making a profile a display's
// profile. A display is named by the two strings the display enumeration reports
// for it: its output (device) name and a further id; backends use what they need.
// Implementations are thread-safe.
class DisplayColorProfiles
{
public:
    struct Error
    {
        int code = 0;
        QString text;
    };

    virtual ~DisplayColorProfiles() = default;

    // The folder that holds the user's display profiles, created on demand.
    virtual QString colorDirectory() const = 0;
    // Path of the profile associated with the display; empty when there is none.
    virtual QString currentProfile(const QString& deviceName, const QString& deviceId) const = 0;
    // Installs the profile file in the colour directory and makes it the display's profile.
    virtual bool associate(const QString& profilePath, const QString& deviceName,
                           const QString& deviceId) const = 0;
    // Gives the display back the system's standard colour-space profile.
    virtual bool associateStandard(const QString& deviceName, const QString& deviceId) const = 0;
    // Path of the system's standard colour-space (sRGB) profile; empty when the system has no file for it.
    virtual QString standardProfile() const = 0;
    // The last failure of a platform call made by this object.
    virtual Error lastError() const = 0;
};
