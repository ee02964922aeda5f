#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class ClientWorker;
class QThread;

// A participant of the pipe connector: its own listening pipe, run by a
// ClientWorker on a thread of its own, registered with the hub; messages go out
// through the hub to every other participant.
class PipeAppConnectorClient : public QObject
{
    Q_OBJECT
public:
    // `hubPipeName` is the hub's pipe name (PipeAppConnectorServer::serverKey()).
    explicit PipeAppConnectorClient(const QString& hubPipeName, QObject* parent = nullptr);
    ~PipeAppConnectorClient() override;

    // The process's participant, created on first use on the main thread's side.
    static PipeAppConnectorClient* instance();
    // Stops and drops the process's participant (shutdown).
    static void destroyInstance();

    // The hub's pipe name followed by 10 random characters from [a-z0-9].
    static QString generateKey(const QString& hubPipeName);

    // Sends through the hub; blocks the caller (serving its events) until sent.
    bool sendMessage(const QString& msg, const QString& param);
    void stop();

    QString key() const { return m_key; }
    bool isRegistered() const { return m_registered; }
    bool isStopped() const { return m_stopped; }

Q_SIGNALS:
    void messageReceived(const QString& msg, const QString& param);
    void messageReceived(const QString& msg, const QString& param, const QString& key);
    void signalRegistered(bool ok);

public Q_SLOTS:
    void slotRegister();
    void slotDataReceived(const QByteArray& text);

private:
    const QString m_hubPipeName;
    const QString m_key;
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<ClientWorker> m_worker;
    std::atomic<bool> m_registered = false;
    std::atomic<bool> m_stopped = false;
};
