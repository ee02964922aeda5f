#pragma once

#include <QString>

// Who and where the program runs: the scope of per-session objects (busy locks,
// the single-instance guard, local sockets) and the machine-wide data location.
class SessionIdentity
{
public:
    virtual ~SessionIdentity() = default;
    // A short token that differs between user sessions of one machine; it is
    // appended to every per-session object name.
    virtual QString sessionScope() const = 0;
    // The machine name shown to the user and stored as the workstation name.
    virtual QString computerName() const = 0;
    // Folder shared by all local users of the suite, empty when the platform has none.
    virtual QString systemDataDirectory() const = 0;
    // Folder for per-session sockets and lock files, reachable only by this user;
    // empty when the folder found there is not safe to use.
    virtual QString runtimeDirectory() const = 0;
    // Why runtimeDirectory() cannot be used; false then. Programs refuse to start
    // rather than exchange messages or locks through a folder someone else controls.
    virtual bool checkRuntimeDirectory(QString* error) const
    {
        Q_UNUSED(error);
        return true;
    }
};
