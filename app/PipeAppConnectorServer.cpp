#include "app/PipeAppConnectorServer.h"

#include "app/NamedPipes.h"

#include <QDebug>
#include <QLocalSocket>
#include <QMutex>

#include <memory>

namespace {

constexpr int kConnectTimeoutMs = 1000;

QMutex g_mutex;
QString g_serverKey;
std::unique_ptr<PipeAppConnectorServer> g_hub;

} // namespace

PipeAppConnectorServer::PipeAppConnectorServer()
{
    connect(&m_server, &QLocalServer::newConnection, this, &PipeAppConnectorServer::slotNewConnection);
}

PipeAppConnectorServer::~PipeAppConnectorServer()
{
    // Sockets die with the server; none may call back into a half-destroyed hub.
    for (QLocalSocket* socket : m_server.findChildren<QLocalSocket*>())
        socket->disconnect(this);
    m_readers.clear();
    m_server.close();
}

QString PipeAppConnectorServer::pipeNameFor(const QString& serverName)
{
    return QStringLiteral("kaldo_") + QString::number(qChecksum(serverName.toLatin1()), 16);
}

void PipeAppConnectorServer::setServerKey(const QString& name)
{
    QMutexLocker locker(&g_mutex);
    g_serverKey = pipeNameFor(name);
}

QString PipeAppConnectorServer::serverKey()
{
    QMutexLocker locker(&g_mutex);
    return g_serverKey;
}

bool PipeAppConnectorServer::start()
{
    PipeAppConnectorServer* hub = nullptr;
    {
        QMutexLocker locker(&g_mutex);
        if (!g_hub)
            g_hub.reset(new PipeAppConnectorServer());
        hub = g_hub.get();
    }
    qDebug() << "PipeAppConnectorServer start " << serverKey();
    const bool result = hub->m_server.isListening() || hub->listen();
    qDebug() << "result = " << result;
    return result;
}

void PipeAppConnectorServer::stop()
{
    std::unique_ptr<PipeAppConnectorServer> hub;
    {
        QMutexLocker locker(&g_mutex);
        hub = std::move(g_hub);
    }
    if (hub)
        qDebug() << "PipeAppConnectorServer stop";
}

PipeAppConnectorServer* PipeAppConnectorServer::instance()
{
    QMutexLocker locker(&g_mutex);
    return g_hub.get();
}

bool PipeAppConnectorServer::listen()
{
    const QString name = serverKey();
    if (!NamedPipes::listen(m_server, name)) {
        qWarning() << "PipeAppConnectorServer can't listen on" << name << m_server.errorString();
        return false;
    }
    NamedPipes::fixPermissions(m_server, name);
    return true;
}

void PipeAppConnectorServer::slotNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (m_readers.size() >= kMaxOpenConnections) {
            // A flood must not grow without bound nor starve real participants for long.
            if (!m_overflowReported)
                qWarning() << "PipeAppConnectorServer: more than" << kMaxOpenConnections
                           << "connections at once; dropping the excess";
            m_overflowReported = true;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (m_readers.isEmpty())
            m_overflowReported = false;
        m_readers.insert(socket, PipeMessageReader());
        connect(socket, &QLocalSocket::readyRead, this, &PipeAppConnectorServer::slotReadData);
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { finishConnection(socket); });
        if (socket->bytesAvailable() > 0)
            QMetaObject::invokeMethod(this, "slotReadData", Qt::QueuedConnection);
    }
}

void PipeAppConnectorServer::slotReadData()
{
    for (auto it = m_readers.begin(); it != m_readers.end(); ++it) {
        QLocalSocket* socket = it.key();
        if (socket->bytesAvailable() > 0)
            it->append(socket->readAll());
    }
    // Parsing may relay and so run nested waits; take the complete texts first.
    QList<QByteArray> complete;
    for (auto it = m_readers.begin(); it != m_readers.end(); ++it)
        complete += it->takeMessages();
    for (const QByteArray& text : std::as_const(complete))
        slotParseData(text);
}

void PipeAppConnectorServer::finishConnection(QLocalSocket* socket)
{
    auto it = m_readers.find(socket);
    if (it != m_readers.end()) {
        it->append(socket->readAll());
        QList<QByteArray> complete = it->takeMessages();
        const QByteArray rest = it->takeRest();
        m_readers.erase(it);
        if (!rest.isEmpty())
            qWarning() << "PipeAppConnectorServer: incomplete message dropped:" << rest.left(200);
        for (const QByteArray& text : std::as_const(complete))
            slotParseData(text);
    }
    socket->deleteLater();
}

void PipeAppConnectorServer::slotParseData(const QByteArray& text)
{
    const std::optional<PipeMessage> message = PipeMessage::parse(text);
    if (!message)
        return;
    if (message->msg == QLatin1String("register")) {
        qDebug() << "PipeAppConnectorServer just new listener registration:" << message->key;
        m_clients.insert(message->key, true);
        Q_EMIT participantRegistered(message->key);
        return;
    }
    qDebug() << "PipeAppConnectorServer relays" << message->msg << message->param << "from" << message->key;
    sendStringToAllClients(text, message->key);
    cleanClientsList();
    Q_EMIT messageRelayed(message->msg, message->param, message->key);
}

void PipeAppConnectorServer::sendStringToAllClients(const QByteArray& text, const QString& keyToSkip)
{
    const QStringList names = m_clients.keys();
    for (const QString& name : names) {
        if (name != keyToSkip && m_clients.value(name))
            trySend(name, text);
    }
}

void PipeAppConnectorServer::sendMessageToAllClients(const QString& msg, const QString& param,
                                                     const QString& key)
{
    const QByteArray text = PipeMessage{key, msg, param, serverKey()}.toBytes();
    const QStringList names = m_clients.keys();
    for (const QString& name : names) {
        if (m_clients.value(name))
            trySend(name, text);
    }
}

void PipeAppConnectorServer::cleanClientsList()
{
    QStringList removed;
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (it.value()) {
            ++it;
            continue;
        }
        removed << it.key();
        it = m_clients.erase(it);
    }
    for (const QString& name : std::as_const(removed)) {
        qDebug() << "PipeAppConnectorServer removed" << name;
        sendMessageToAllClients(QStringLiteral("removed"), name, serverKey());
    }
}

void PipeAppConnectorServer::pingAll()
{
    sendMessageToAllClients(QStringLiteral("ping"), QString(), serverKey());
}

bool PipeAppConnectorServer::trySend(const QString& pipeName, const QByteArray& text)
{
    auto* socket = new QLocalSocket(this);
    socket->connectToServer(NamedPipes::socketPath(pipeName));
    if (!socket->waitForConnected(kConnectTimeoutMs)) {
        qDebug() << "PipeAppConnectorServer::trySend can't connect" << pipeName << socket->errorString();
        if (!m_kept.contains(pipeName))
            m_clients[pipeName] = false;
        socket->deleteLater();
        return false;
    }
    // Disconnecting after the write lets the pending bytes go out first.
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->write(text);
    socket->disconnectFromServer();
    return true;
}
