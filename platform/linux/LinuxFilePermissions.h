#pragma once

#include "platform/FilePermissions.h"

// Read and write for owner, group and others (and search for folders), the
// equivalent of an "Everyone: full control" entry.
class LinuxFilePermissions : public FilePermissions
{
public:
    bool setFullPermissions(const QString& path) const override;
};
