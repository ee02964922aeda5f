#pragma once

#include <QString>

class QLocalServer;

// Where the pipes of the session live and who may open them.
class NamedPipes
{
public:
    // The socket of a pipe name: inside the user's private runtime folder, and
    // marked with the session, so sessions of one user never meet.
    static QString socketPath(const QString& pipeName);
    // Leaves a listening pipe open to this user only (the runtime folder already is).
    static void fixPermissions(const QLocalServer& server, const QString& pipeName);
    // Listens on `pipeName`, replacing a socket file that no process serves any
    // more (left by a crash). A socket that a live process serves is left alone.
    static bool listen(QLocalServer& server, const QString& pipeName);
};
