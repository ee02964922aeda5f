#pragma once

#include "platform/FilePermissions.h"

#include <QIODevice>
#include <QString>

class QFile;

// Small OS helpers that many components call, forwarded to the active backend.
class OSUtils
{
public:
    // Files and folders inside the suite's shared data folder are shared with its
    // group; everything else the program writes is private to this account.
    static FileSharing sharingOf(const QString& path);
    // The safe open of a file the program writes (see FilePermissions::openFile),
    // with the sharing of its place; the reason of a refusal is logged.
    static bool openFile(QFile& file, QIODevice::OpenMode mode, QString* error = nullptr);
    // Creates `path` when missing, or checks and corrects the mode of an existing
    // file of this account, before a library that opens by name (SQLite) uses it.
    static bool prepareFile(const QString& path, QString* error = nullptr);
    static bool makeFolder(const QString& path, QString* error = nullptr);
    static QString computerName();
    // Switches every monitor of the session on or off as a whole (the display power
    // management of the desktop); false where the platform offers none.
    static bool turnondisplay();
    static bool turnoffdisplay();
};
