#pragma once

#include <QLocalServer>
#include <QPointer>

class SimWorkstation;

// The control socket of a running simulated workstation. Each request is one line
// of JSON; each answer is one line of JSON. `lutloaderctl sim ...` is its client.
class SimControlServer : public QObject
{
    Q_OBJECT
public:
    SimControlServer(SimWorkstation* workstation, QObject* parent = nullptr);
    ~SimControlServer() override;

    // The per-session socket path; the same for the agent and the command-line tool.
    static QString defaultSocketPath();

    bool listen(const QString& path = defaultSocketPath());
    QString socketPath() const;

private:
    void acceptConnection();

    QPointer<SimWorkstation> m_workstation;
    QLocalServer m_server;
};
