#pragma once

#include <QString>

// Last words of a crashing agent: a fatal signal or an unhandled exception is
// written to the log file ("terminate handling", "Exception:" and its code) and
// the process ends without the system's error dialog.
class CrashHandler
{
public:
    // Installs the handler for the whole process; `logFilePath` is opened now,
    // because nothing may be opened once the process is crashing.
    static void install(const QString& logFilePath);
    static void uninstall();
};
