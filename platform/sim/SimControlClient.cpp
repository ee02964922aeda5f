#include "platform/sim/SimControlClient.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLocalSocket>

QJsonObject SimControlClient::send(const QJsonObject& command, const QString& socketPath, int timeoutMs)
{
    auto failure = [](const QString& message) {
        return QJsonObject{{QStringLiteral("ok"), false}, {QStringLiteral("error"), message}};
    };
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return failure(QStringLiteral("no simulated workstation is running at %1 (%2)")
                           .arg(socketPath, socket.errorString()));
    socket.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
    socket.flush();
    QElapsedTimer timer;
    timer.start();
    while (!socket.canReadLine()) {
        const int left = timeoutMs - static_cast<int>(timer.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left))
            return failure(QStringLiteral("the simulated workstation did not answer"));
    }
    const QJsonDocument reply = QJsonDocument::fromJson(socket.readLine());
    return reply.isObject() ? reply.object() : failure(QStringLiteral("malformed answer"));
}
