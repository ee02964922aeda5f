// A stand-in for the suite's main application, for tests and the demo. It records
// the arguments it was started with, can hold a busy lock, joins the pipe hub and
// answers messages, and exits with a chosen code. Behaviour comes from the
// environment, so the argument list stays exactly what the agent passed:
//   LUTLOADER_STANDIN_RECORD   file that gets one JSON line per start
//   LUTLOADER_STANDIN_EXIT     exit code (default 0)
//   LUTLOADER_STANDIN_LOCK     busy lock key held while it runs
//   LUTLOADER_STANDIN_HUB      hub server name to join (as `lutloaderctl send` takes it)
//   LUTLOADER_STANDIN_SECONDS  how long to stay (default 0; "quit" over the pipe ends it early)
//   LUTLOADER_STANDIN_REPLY_DELAY_MS  a busy main application: each reply waits this long
// Each received message is answered with "reply" and "MSG:PARAM", and printed.
#include "app/KaldoSharedMemory.h"
#include "app/PipeAppConnectorClient.h"
#include "app/ctl/SendCommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

void record(const QString& path)
{
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QJsonObject line{
        {QStringLiteral("pid"), QCoreApplication::applicationPid()},
        {QStringLiteral("arguments"), QJsonArray::fromStringList(QCoreApplication::arguments().mid(1))}};
    file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
}

void say(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

bool isHubChatter(const QString& msg)
{
    return msg == QLatin1String("register") || msg == QLatin1String("ping") ||
           msg == QLatin1String("removed") || msg == QLatin1String("reply");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    record(qEnvironmentVariable("LUTLOADER_STANDIN_RECORD"));
    const int exitCode = qEnvironmentVariableIntValue("LUTLOADER_STANDIN_EXIT");
    const int seconds = qEnvironmentVariableIntValue("LUTLOADER_STANDIN_SECONDS");

    std::unique_ptr<KaldoSharedMemory> lock;
    const QByteArray lockKey = qgetenv("LUTLOADER_STANDIN_LOCK");
    if (!lockKey.isEmpty()) {
        lock = std::make_unique<KaldoSharedMemory>(lockKey, "MainAppStandIn", 50);
        say(lock->Lock() ? QStringLiteral("locked %1").arg(QString::fromLatin1(lockKey))
                         : QStringLiteral("lock busy %1").arg(QString::fromLatin1(lockKey)));
    }

    std::unique_ptr<PipeAppConnectorClient> participant;
    const QString hub = qEnvironmentVariable("LUTLOADER_STANDIN_HUB");
    if (!hub.isEmpty()) {
        participant = std::make_unique<PipeAppConnectorClient>(SendCommand::hubPipeName(hub));
        PipeAppConnectorClient* client = participant.get();
        QObject::connect(client, &PipeAppConnectorClient::signalRegistered, [client](bool ok) {
            say(QStringLiteral("%1 %2").arg(
                ok ? QStringLiteral("registered") : QStringLiteral("unregistered"), client->key()));
        });
        QObject::connect(client,
                         qOverload<const QString&, const QString&, const QString&>(
                             &PipeAppConnectorClient::messageReceived),
                         [client](const QString& msg, const QString& param, const QString& key) {
                             say(QStringLiteral("received %1 %2 from %3").arg(msg, param, key));
                             if (msg == QLatin1String("quit")) {
                                 QCoreApplication::quit();
                                 return;
                             }
                             if (isHubChatter(msg))
                                 return;
                             const QString reply = msg + QLatin1Char(':') + param;
                             const int delayMs =
                                 qEnvironmentVariableIntValue("LUTLOADER_STANDIN_REPLY_DELAY_MS");
                             if (delayMs <= 0) {
                                 client->sendMessage(QStringLiteral("reply"), reply);
                                 return;
                             }
                             QTimer::singleShot(delayMs, client, [client, reply] {
                                 client->sendMessage(QStringLiteral("reply"), reply);
                             });
                         });
    }
    if (seconds <= 0 && !participant)
        return exitCode;
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    if (participant)
        participant->stop();
    return exitCode;
}
