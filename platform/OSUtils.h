#pragma once

#include <QString>

// Small OS helpers that many components call, forwarded to the active backend.
class OSUtils
{
public:
    static bool setFullPermissions(const QString& path);
    static QString computerName();
    // Switches every monitor of the session on or off as a whole (the display power
    // management of the desktop); false where the platform offers none.
    static bool turnondisplay();
    static bool turnoffdisplay();
};
