#pragma once

#include <QIODevice>
#include <QString>

class QFile;

// Who besides this account may read and write a file the program keeps.
enum class FileSharing
{
    // This account only: the per-user data folder, the runtime folder.
    Private,
    // This account and the group of the suite's shared data folder; never other local users.
    Shared,
};

// Creating and opening the files and folders the program writes without letting
// another local account redirect the write: a planted link, a file of someone
// else or a fifo is refused, and modes are set on the open handle, never by name.
class FilePermissions
{
public:
    virtual ~FilePermissions() = default;
    // Opens `file` (its name already set) with `mode`, creating it with the mode of
    // `sharing` when it is missing and the mode allows writing. Refuses a symbolic
    // link, anything but a regular file, a file with a second hard link, and a file
    // of another account unless it is a group-shared file. False with the reason in `error`.
    virtual bool openFile(QFile& file, QIODevice::OpenMode mode, FileSharing sharing,
                          QString* error) const = 0;
    // Creates `path` (and missing parents) for `sharing`; refuses a link, a folder of
    // another account that is private, and a folder other local users may write.
    virtual bool makeFolder(const QString& path, FileSharing sharing, QString* error) const = 0;
    // The private per-session folder at `path`: created when missing, and accepted only
    // when it is a real folder of this account that nobody else could write (one that
    // others could only read is closed to 0700).
    virtual bool checkPrivateFolder(const QString& path, QString* error) const = 0;
};
