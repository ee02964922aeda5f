// Costs of the pipe connector: building and reading one message, and the whole
// trip of a message from one participant through the hub to another.
#include "app/PipeAppConnectorClient.h"
#include "app/PipeAppConnectorServer.h"
#include "app/PipeMessage.h"
#include "bench/support/BenchReport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

namespace {

void serveUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

void runBenchmarks(BenchReport& report)
{
    const PipeMessage message{QStringLiteral("kaldo_1a2bq7x0c3m9z1r"), QStringLiteral("LutLoadEnd"),
                              QStringLiteral("3"), QString()};
    report.measureAndAdd("pipe message: 100 x encode and parse", [&message] {
        for (int i = 0; i < 100; ++i)
            PipeMessage::parse(message.toBytes());
    });
    const QByteArray stream = message.toBytes().repeated(100);
    report.measureAndAdd("pipe message: 100 messages reassembled from 16-byte reads", [&stream] {
        PipeMessageReader reader;
        for (qsizetype at = 0; at < stream.size(); at += 16) {
            reader.append(stream.mid(at, 16));
            reader.takeMessages();
        }
    });

    qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
    PipeAppConnectorServer::setServerKey(QStringLiteral("Bench_pipeAppConnecting"));
    if (!PipeAppConnectorServer::start())
        return;
    PipeAppConnectorClient sender(PipeAppConnectorServer::serverKey());
    PipeAppConnectorClient receiver(PipeAppConnectorServer::serverKey());
    serveUntil([&] { return sender.isRegistered() && receiver.isRegistered(); });
    int received = 0;
    QObject::connect(&receiver,
                     qOverload<const QString&, const QString&>(&PipeAppConnectorClient::messageReceived),
                     [&received](const QString&, const QString&) { ++received; });
    report.measureAndAdd(
        "pipe hub: one message from a participant to another",
        [&] {
            const int before = received;
            sender.sendMessage(QStringLiteral("LutLoadEnd"), QStringLiteral("3"));
            serveUntil([&] { return received > before; });
        },
        7);
    sender.stop();
    receiver.stop();
    PipeAppConnectorServer::stop();
}
