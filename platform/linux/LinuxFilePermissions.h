#pragma once

#include "platform/FilePermissions.h"

// POSIX modes: private files 0600 and folders 0700; shared files 0660 and folders
// 3770 (the group of the shared folder is kept, nobody removes another's file).
class LinuxFilePermissions : public FilePermissions
{
public:
    bool openFile(QFile& file, QIODevice::OpenMode mode, FileSharing sharing, QString* error) const override;
    bool makeFolder(const QString& path, FileSharing sharing, QString* error) const override;
    bool checkPrivateFolder(const QString& path, QString* error) const override;
};
