#include "tests/ddc/TestDdcService.h"

#include "platform/DDCBuses.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>

#include <memory>

namespace {
constexpr quint8 DisplayAddress7Bit = 0x37;
} // namespace

TestDdcService::TestDdcService(QString socketName, QString output)
    : m_socketName(std::move(socketName)), m_output(std::move(output))
{
}

TestDdcService::~TestDdcService()
{
    quit();
    wait();
}

bool TestDdcService::begin()
{
    start();
    while (m_listening == 0)
        QThread::msleep(5);
    return m_listening > 0;
}

std::vector<QJsonObject> TestDdcService::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void TestDdcService::run()
{
    QLocalServer server;
    QLocalServer::removeServer(m_socketName);
    if (!server.listen(m_socketName)) {
        m_listening = -1;
        return;
    }
    std::unique_ptr<DDCBus> bus;
    int nextId = 7;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [&, socket] {
                if (!socket->canReadLine())
                    return;
                const QJsonObject request = QJsonDocument::fromJson(socket->readLine()).object();
                {
                    QMutexLocker lock(&m_mutex);
                    m_requests.push_back(request);
                }
                switch (m_mode.load()) {
                case Mode::Garbage:
                    socket->write("this is not json\n");
                    return;
                case Mode::Silent:
                    return;
                case Mode::Refusing:
                    socket->write(R"({"error": "display busy"})"
                                  "\n");
                    return;
                case Mode::HangUp:
                    socket->disconnectFromServer();
                    return;
                case Mode::Normal:
                    break;
                }
                const QString method = request.value("method").toString();
                QJsonObject reply;
                QString error;
                if (method == "new") {
                    bus = Platform::backend().ddcBuses().open(m_output, &error);
                    reply = bus ? QJsonObject{{"new_id", nextId++}} : QJsonObject{{"error", error}};
                } else if (!bus || request.value("id").toInt(-1) != nextId - 1) {
                    reply = {{"error", "unknown channel"}};
                } else if (method == "write") {
                    const QByteArray package =
                        QByteArray::fromBase64(request.value("package").toString().toLatin1());
                    const bool sizeOk = package.size() == request.value("size").toInt();
                    reply = {{"return", sizeOk && bus->write(DisplayAddress7Bit, package, &error) ? 0 : -1}};
                } else if (method == "read") {
                    QByteArray package;
                    if (bus->read(DisplayAddress7Bit, request.value("maxBytes").toInt(), package, &error))
                        reply = {{"return", int(package.size())},
                                 {"package", QString::fromLatin1(package.toBase64())}};
                    else
                        reply = {{"return", -1}};
                } else if (method == "test" || method == "hardwareReconnect" || method == "unlockHardware" ||
                           method == "delete") {
                    reply = {{"return", true}};
                } else {
                    reply = {{"error", "unknown method"}};
                }
                socket->write(QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n');
            });
        }
    });
    m_listening = 1;
    exec();
}
