#pragma once

#include "platform/SessionIdentity.h"

#include <QMutex>

// The user's uid and graphical session make the scope of per-session objects. The session is
// the logind session ($XDG_SESSION_ID); without one (an ssh log-in with X forwarding, a second
// seat started by hand) it is the X display together with the X server's identity, so two
// log-ins of one user on two displays keep apart. The scope is fixed at its first use: a
// process keeps its locks and sockets under one name for its whole life.
class LinuxSessionIdentity : public SessionIdentity
{
public:
    QString sessionScope() const override;
    QString computerName() const override;
    QString systemDataDirectory() const override;
    QString runtimeDirectory() const override;
    bool checkRuntimeDirectory(QString* error) const override;

    // The scope for a uid, a logind session id, an X display name and an identity of that X
    // server (each may be empty); only letters, digits and '_' appear in it.
    static QString scopeFor(unsigned uid, const QString& sessionId, const QString& display,
                            const QString& xServerIdentity);
    // What tells this X server apart from an earlier or later one on the same display name: the
    // inode of its local socket. Empty for a display that is not local or has no socket file.
    static QString xServerIdentity(const QString& display,
                                   const QString& socketDir = QStringLiteral("/tmp/.X11-unix"));

private:
    // $XDG_RUNTIME_DIR, else a folder of this uid under the temporary folder.
    static QString candidateRuntimeDirectory();

    mutable QMutex m_mutex;
    mutable QString m_scope;
};
