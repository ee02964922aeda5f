#pragma once

#include <QString>

// The system's own journal, for the few messages that must reach an administrator
// even when the program's log file cannot be written.
class SystemLog
{
public:
    virtual ~SystemLog() = default;
    virtual void warning(const QString& text) const = 0;
};
