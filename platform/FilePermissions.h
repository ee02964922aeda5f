#pragma once

#include <QString>

// Files the agent shares with the main application and with other local accounts
// (log, database, settings file) must stay writable for all of them.
class FilePermissions
{
public:
    virtual ~FilePermissions() = default;
    virtual bool setFullPermissions(const QString& path) const = 0;
};
