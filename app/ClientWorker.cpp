#include "app/ClientWorker.h"

#include "app/NamedPipes.h"

#include <QDebug>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 30000;

} // namespace

ClientWorker::ClientWorker(const QString& ownPipeName, const QString& hubPipeName)
    : m_ownPipeName(ownPipeName), m_hubPipeName(hubPipeName)
{
}

ClientWorker::~ClientWorker() = default;

bool ClientWorker::isListening() const
{
    return m_server && m_server->isListening();
}

void ClientWorker::slotCreatePipe()
{
    m_server = std::make_unique<QLocalServer>();
    connect(m_server.get(), &QLocalServer::newConnection, this, &ClientWorker::slotNewConnection);
    // The name is new and random: a socket file of that name can only be stale.
    QLocalServer::removeServer(NamedPipes::socketPath(m_ownPipeName));
    const bool ok = NamedPipes::listen(*m_server, m_ownPipeName);
    if (ok) {
        NamedPipes::fixPermissions(*m_server, m_ownPipeName);
    } else {
        qWarning() << "PipeAppConnectorClient::PipeAppConnectorClient. can't create listener! key:"
                   << m_ownPipeName << "errorcode:" << m_server->serverError() << m_server->errorString();
    }
    Q_EMIT signalPipeCreated(ok);
}

void ClientWorker::slotClosePipe()
{
    m_readers.clear();
    if (m_server) {
        // Sockets die with the server; none may call back into a half-closed worker.
        for (QLocalSocket* socket : m_server->findChildren<QLocalSocket*>())
            socket->disconnect(this);
        const QString path = m_server->fullServerName();
        m_server.reset(); // closes the pipe and deletes its pending sockets
        QLocalServer::removeServer(path);
    }
}

bool ClientWorker::sendData(const QByteArray& text) const
{
    return sendToHub(m_hubPipeName, text);
}

bool ClientWorker::sendToHub(const QString& hubPipeName, const QByteArray& text)
{
    // No settling pause: the connect below waits for the hub to accept, and the hub
    // reads on readiness.
    QLocalSocket socket;
    socket.connectToServer(NamedPipes::socketPath(hubPipeName), QIODevice::ReadWrite);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        qWarning() << "PipeAppConnectorClient::sendMessage can't connect to server" << socket.errorString();
        qDebug() << "sendData false";
        return false;
    }
    socket.write(text);
    const bool written = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(kWriteTimeoutMs);
    socket.flush();
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    qDebug() << (written ? "sendData true" : "sendData false");
    return written;
}

void ClientWorker::slotSendData(const QByteArray& text)
{
    if (sendData(text))
        Q_EMIT signalDataSent(static_cast<int>(text.size()));
}

void ClientWorker::slotNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        m_readers.insert(socket, PipeMessageReader());
        connect(socket, &QLocalSocket::readyRead, this, &ClientWorker::slotReadData);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { finishConnection(socket); });
        if (socket->bytesAvailable() > 0)
            QMetaObject::invokeMethod(this, "slotReadData", Qt::QueuedConnection);
    }
}

void ClientWorker::slotReadData()
{
    for (auto it = m_readers.begin(); it != m_readers.end(); ++it) {
        if (it.key()->bytesAvailable() > 0)
            it->append(it.key()->readAll());
        for (const QByteArray& text : it->takeMessages())
            Q_EMIT signalDataReceived(text);
    }
}

void ClientWorker::finishConnection(QLocalSocket* socket)
{
    auto it = m_readers.find(socket);
    if (it != m_readers.end()) {
        it->append(socket->readAll());
        for (const QByteArray& text : it->takeMessages())
            Q_EMIT signalDataReceived(text);
        const QByteArray rest = it->takeRest();
        if (!rest.isEmpty())
            qWarning() << "PipeAppConnectorClient: incomplete message dropped:" << rest.left(200);
        m_readers.erase(it);
    }
    socket->deleteLater();
}
