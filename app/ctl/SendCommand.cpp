#include "app/ctl/SendCommand.h"

#include "app/AppInitialization.h"
#include "app/LUTLoaderApplication.h"
#include "app/PipeAppConnectorClient.h"
#include "app/PipeAppConnectorServer.h"
#include "app/ctl/CtlContext.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QThread>

namespace {

constexpr int kDefaultWaitMs = 1500;
constexpr int kRegisterWaitMs = 5000;

void serveEventsUntil(const QDeadlineTimer& deadline, const std::function<bool()>& done)
{
    while (!deadline.hasExpired() && !done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

} // namespace

QString SendCommand::usage() const
{
    return QStringLiteral(
        "send KEY MSG [PARAM] [--wait MS]   (KEY: hub server name, kaldo_ pipe name, or - for "
        "this agent)");
}

QString SendCommand::hubPipeName(const QString& key)
{
    if (key == QLatin1String("-"))
        return PipeAppConnectorServer::pipeNameFor(
            LUTLoaderApplication::pipeServerName(AppInitialization::applicationName()));
    if (key.startsWith(QLatin1String("kaldo_")))
        return key;
    return PipeAppConnectorServer::pipeNameFor(key);
}

int SendCommand::run(const CtlContext& context) const
{
    QStringList args = context.arguments();
    int waitMs = kDefaultWaitMs;
    if (const qsizetype at = args.indexOf(QStringLiteral("--wait")); at >= 0) {
        bool ok = false;
        waitMs = args.value(at + 1).toInt(&ok);
        if (!ok || waitMs < 0)
            return context.fail(QStringLiteral("--wait needs milliseconds"), 2);
        args.remove(at, 2);
    }
    if (args.size() < 2 || args.size() > 3)
        return context.fail(QStringLiteral("usage: ") + usage(), 2);

    PipeAppConnectorClient participant(hubPipeName(args.at(0)));
    bool registered = false;
    bool registerSent = false;
    QObject::connect(&participant, &PipeAppConnectorClient::signalRegistered, [&](bool ok) {
        registered = true;
        registerSent = ok;
    });
    QJsonArray replies;
    QStringList lines;
    QObject::connect(
        &participant,
        qOverload<const QString&, const QString&, const QString&>(&PipeAppConnectorClient::messageReceived),
        [&](const QString& msg, const QString& param, const QString& key) {
            replies.append(QJsonObject{{QStringLiteral("msg"), msg},
                                       {QStringLiteral("param"), param},
                                       {QStringLiteral("key"), key}});
            lines << QStringLiteral("%1 %2 (from %3)").arg(msg, param, key);
        });
    serveEventsUntil(QDeadlineTimer(kRegisterWaitMs), [&] { return registered; });
    if (!registerSent)
        return context.fail(QStringLiteral("no pipe hub answers at %1").arg(hubPipeName(args.at(0))));
    const bool sent = participant.sendMessage(args.at(1), args.value(2));
    if (!sent)
        return context.fail(QStringLiteral("the hub did not take the message"));
    serveEventsUntil(QDeadlineTimer(waitMs), [] { return false; });
    participant.stop();
    lines.prepend(QStringLiteral("sent %1 %2 as %3").arg(args.at(1), args.value(2), participant.key()));
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("key"), participant.key()},
                           {QStringLiteral("replies"), replies}},
                          lines.join(QLatin1Char('\n')));
}
