#include "app/NamedPipes.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"

#include <QDebug>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int kProbeTimeoutMs = 500;

// A short mark keeps socket paths under the 108-byte limit of local sockets.
QString sessionMark()
{
    const QByteArray scope = Platform::backend().session().sessionScope().toLatin1();
    return QString::number(qChecksum(scope), 16);
}

bool servedByLiveProcess(const QString& path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool alive = probe.waitForConnected(kProbeTimeoutMs);
    probe.abort();
    return alive;
}

} // namespace

QString NamedPipes::socketPath(const QString& pipeName)
{
#if defined(Q_OS_WIN)
    // Named pipes are per session already, and the main application expects the bare name.
    return pipeName;
#endif
    return Platform::backend().session().runtimeDirectory() + QLatin1Char('/') + pipeName + QLatin1Char('-') +
           sessionMark();
}

void NamedPipes::fixPermissions(const QLocalServer& server, const QString& pipeName)
{
    qDebug() << "PipeAppConnectorClient pipe name:" << server.fullServerName() << pipeName;
#if defined(Q_OS_WIN)
    return; // the world-access option of listen() already widened it
#endif
    if (!QFile::setPermissions(server.fullServerName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        qWarning() << "Error changed DACL" << server.fullServerName();
}

bool NamedPipes::listen(QLocalServer& server, const QString& pipeName)
{
    const QString path = socketPath(pipeName);
    // The listen call would quietly take the name over, even from a live process: look first.
    if (QFile::exists(path)) {
        if (servedByLiveProcess(path)) {
            qWarning() << "NamedPipes: another process serves" << path;
            return false;
        }
        qDebug() << "NamedPipes: replacing the stale socket" << path;
        QLocalServer::removeServer(path);
    }
#if defined(Q_OS_WIN)
    // The main application may run under another account (elevated): everyone may connect.
    server.setSocketOptions(QLocalServer::WorldAccessOption);
#else
    server.setSocketOptions(QLocalServer::UserAccessOption);
#endif
    return server.listen(path);
}
