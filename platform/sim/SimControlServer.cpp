#include "platform/sim/SimControlServer.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QJsonDocument>
#include <QLocalSocket>

SimControlServer::SimControlServer(SimWorkstation* workstation, QObject* parent)
    : QObject(parent), m_workstation(workstation)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SimControlServer::acceptConnection);
}

SimControlServer::~SimControlServer()
{
    m_server.close();
}

QString SimControlServer::defaultSocketPath()
{
    const SessionIdentity& session = Platform::backend().session();
    return session.runtimeDirectory() + QStringLiteral("/lutloader-sim-") + session.sessionScope();
}

bool SimControlServer::listen(const QString& path)
{
    // A socket file left by a crashed agent would block the name.
    QLocalServer::removeServer(path);
    if (!m_server.listen(path)) {
        qWarning() << "SimControlServer can't listen on" << path << m_server.errorString();
        return false;
    }
    qDebug() << "SimControlServer listening on" << path;
    return true;
}

QString SimControlServer::socketPath() const
{
    return m_server.fullServerName();
}

void SimControlServer::acceptConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().trimmed();
                QJsonObject reply;
                const QJsonDocument request = QJsonDocument::fromJson(line);
                if (!request.isObject()) {
                    reply = {{QStringLiteral("ok"), false},
                             {QStringLiteral("error"), QStringLiteral("bad request")}};
                } else if (!m_workstation) {
                    reply = {{QStringLiteral("ok"), false},
                             {QStringLiteral("error"), QStringLiteral("no workstation")}};
                } else {
                    qDebug() << "SimControlServer command" << line;
                    reply = m_workstation->apply(request.object());
                }
                socket->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
                socket->flush();
            }
        });
    }
}
