#pragma once

#include "app/PipeMessage.h"

#include <QHash>
#include <QObject>

#include <memory>

class QLocalServer;
class QLocalSocket;

// The participant's listening pipe, living on the participant's own thread, and
// the sending of one message to the hub (any thread).
class ClientWorker : public QObject
{
    Q_OBJECT
public:
    ClientWorker(const QString& ownPipeName, const QString& hubPipeName);
    ~ClientWorker() override;

    // Connects to the hub, writes the text and disconnects; false when the hub
    // cannot be reached. Safe to call from any thread.
    bool sendData(const QByteArray& text) const;
    static bool sendToHub(const QString& hubPipeName, const QByteArray& text);
    bool isListening() const;

Q_SIGNALS:
    void signalDataReceived(const QByteArray& text);
    void signalDataSent(int bytes);
    void signalPipeCreated(bool ok);

public Q_SLOTS:
    void slotCreatePipe();
    void slotClosePipe();
    void slotSendData(const QByteArray& text);
    void slotNewConnection();
    void slotReadData();

private:
    void finishConnection(QLocalSocket* socket);

    const QString m_ownPipeName;
    const QString m_hubPipeName;
    std::unique_ptr<QLocalServer> m_server;
    QHash<QLocalSocket*, PipeMessageReader> m_readers;
};
