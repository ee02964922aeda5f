#pragma once

#include <QString>
#include <QThread>

class MgmtServer;

// Runs a MgmtServer on a thread of its own, so that a test or the bench may block
// (a program run, a synchronisation) while the server keeps answering.
class MgmtServerHost
{
public:
    MgmtServerHost();
    ~MgmtServerHost();
    MgmtServerHost(const MgmtServerHost&) = delete;
    MgmtServerHost& operator=(const MgmtServerHost&) = delete;

    // Listens with the PEM certificate and key; false when either cannot be used.
    bool start(const QString& certificateFile, const QString& keyFile);
    quint16 port() const { return m_port; }
    QString baseUrl() const;
    MgmtServer& server() { return *m_server; }

private:
    QThread m_thread;
    MgmtServer* m_server = nullptr;
    quint16 m_port = 0;
};
