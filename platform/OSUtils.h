#pragma once

#include <QString>

// Small OS helpers that many components call, forwarded to the active backend.
class OSUtils
{
public:
    static bool setFullPermissions(const QString& path);
    static QString computerName();
};
