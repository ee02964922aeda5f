#include "displays/ServiceDDCCIControl.h"

#include "displays/CurrentDisplays.h"
#include "displays/DDCCIAutoDelay.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QMutex>

#include <cstring>

namespace {

QMutex g_nameMutex;
QString g_pipeName = QStringLiteral("lutloader-ddcci-service");

// Replies are read no sooner than this after the previous transaction, as on a bus of our own.
constexpr unsigned ReadDelayMs = 50;
// A reply line longer than this is not a reply of this protocol.
constexpr qsizetype MaxReplySize = 64 * 1024;

QJsonObject failure(const char* error)
{
    return {{QStringLiteral("error"), QString::fromLatin1(error)}};
}

bool hasError(const QJsonObject& reply)
{
    return reply.contains(QStringLiteral("error"));
}

// Services answer yes/no questions with a boolean or with 0 and 1.
bool returnedYes(const QJsonObject& reply)
{
    const QJsonValue value = reply.value(QStringLiteral("return"));
    return !hasError(reply) && (value.isBool() ? value.toBool() : value.toInt(0) != 0);
}

} // namespace

ServiceDDCCIControl::ServiceDDCCIControl(int displayId, int serviceType, QByteArray serial)
    : DDCCIControl(displayId), m_serviceType(serviceType), m_serial(std::move(serial))
{
    if (m_serial.isEmpty())
        m_serial = CurrentDisplays::DisplayById(displayId).serial().toUtf8();
}

ServiceDDCCIControl::~ServiceDDCCIControl()
{
    if (m_serviceId >= 0)
        call({{QStringLiteral("method"), QStringLiteral("delete")}});
}

void ServiceDDCCIControl::setServicePipeName(const QString& name)
{
    QMutexLocker lock(&g_nameMutex);
    g_pipeName = name;
}

QString ServiceDDCCIControl::servicePipeName()
{
    QMutexLocker lock(&g_nameMutex);
    return g_pipeName;
}

QJsonObject ServiceDDCCIControl::request(const QJsonObject& message, int timeoutMs)
{
    const QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact);
    if (message.isEmpty() || line.isEmpty() || line.contains('\n'))
        return failure("serialize error");
    const int waitMs = qMax(0, timeoutMs) + 1000;
    QLocalSocket socket;
    socket.connectToServer(servicePipeName());
    if (!socket.waitForConnected(waitMs))
        return failure("connection error");
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(waitMs))
        return failure("connection error");
    QByteArray reply;
    const QDeadlineTimer deadline(waitMs);
    while (!reply.contains('\n') && reply.size() < MaxReplySize) {
        if (socket.bytesAvailable() == 0 &&
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (deadline.hasExpired())
                return failure("read timeout");
            // The service hung up: a last line without its newline still counts.
            if (socket.state() != QLocalSocket::ConnectedState) {
                reply += socket.readAll();
                if (reply.isEmpty())
                    return failure("connection error");
                break;
            }
        }
        reply += socket.readAll();
    }
    socket.disconnectFromServer();
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(reply.left(reply.indexOf('\n')), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return failure("parse error");
    return doc.object();
}

QJsonObject ServiceDDCCIControl::call(QJsonObject message, int timeoutMs)
{
    if (m_serviceId >= 0)
        message.insert(QStringLiteral("id"), m_serviceId);
    const QJsonObject reply = request(message, timeoutMs);
    if (hasError(reply))
        qDebug().noquote() << "ServiceDDCCIControl. Error message:"
                           << reply.value(QStringLiteral("error")).toVariant().toString()
                           << "(" + message.value(QStringLiteral("method")).toString() + ")";
    return reply;
}

bool ServiceDDCCIControl::ensureChannel()
{
    if (m_serviceId >= 0)
        return true;
    const QJsonObject reply = call({{QStringLiteral("method"), QStringLiteral("new")},
                                    {QStringLiteral("type"), m_serviceType},
                                    {QStringLiteral("serialnumber"), QString::fromUtf8(m_serial)}});
    const int id = reply.value(QStringLiteral("new_id")).toInt(-1);
    if (hasError(reply) || id < 0)
        return false;
    m_serviceId = id;
    return true;
}

bool ServiceDDCCIControl::test()
{
    QMutexLocker lock(&busMutex());
    return ensureChannel() && returnedYes(call({{QStringLiteral("method"), QStringLiteral("test")}}));
}

bool ServiceDDCCIControl::hardwareReconnect()
{
    QMutexLocker lock(&busMutex());
    return ensureChannel() &&
           returnedYes(call({{QStringLiteral("method"), QStringLiteral("hardwareReconnect")}}));
}

bool ServiceDDCCIControl::unlockHardware()
{
    QMutexLocker lock(&busMutex());
    // Nothing was lent, so there is nothing to give back.
    if (m_serviceId < 0)
        return true;
    return returnedYes(call({{QStringLiteral("method"), QStringLiteral("unlockHardware")}}));
}

int ServiceDDCCIControl::write(unsigned char* payload, unsigned len, unsigned delayMs)
{
    QMutexLocker lock(&busMutex());
    if (!payload || len > 127 || !ensureChannel()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    unsigned char package[MaxPackageSize];
    const int size = makeI2CPackage(package, payload, static_cast<unsigned char>(len), DDCCI_ADDRESS);
    const QJsonObject reply =
        call({{QStringLiteral("method"), QStringLiteral("write")},
              {QStringLiteral("package"),
               QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(package), size).toBase64())},
              {QStringLiteral("size"), size},
              {QStringLiteral("delay"), static_cast<int>(delayMs)}},
             static_cast<int>(delayMs));
    delay.start(delayMs);
    const QJsonValue result = reply.value(QStringLiteral("return"));
    if (hasError(reply) || (result.isBool() ? !result.toBool() : result.toInt(-1) != 0)) {
        qDebug() << "ServiceDDCCIControl write failed";
        setLastError(ErrorBusCall);
        return -1;
    }
    return 0;
}

int ServiceDDCCIControl::read(unsigned char* buf, unsigned maxBytes)
{
    QMutexLocker lock(&busMutex());
    setLastError(ErrorNone);
    if (!buf || !ensureChannel()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    const unsigned size = qMin(readPkgSize(qMin(maxBytes, 127u)), MaxPackageSize);
    const QJsonObject reply = call({{QStringLiteral("method"), QStringLiteral("read")},
                                    {QStringLiteral("maxBytes"), static_cast<int>(size)}},
                                   static_cast<int>(ReadDelayMs));
    delay.start(ReadDelayMs);
    const QByteArray raw =
        QByteArray::fromBase64(reply.value(QStringLiteral("package")).toString().toLatin1()).left(size);
    if (hasError(reply) || reply.value(QStringLiteral("return")).toInt(-1) < 0 || raw.isEmpty()) {
        qDebug() << "ServiceDDCCIControl read failed";
        setLastError(ErrorBusCall);
        return -1;
    }
    unsigned char package[MaxPackageSize];
    std::memcpy(package, raw.constData(), static_cast<size_t>(raw.size()));
    const int n = handleReadPackage(package, static_cast<unsigned>(raw.size()));
    if (n < 0)
        return -1;
    std::memcpy(buf, package, static_cast<size_t>(qMin(static_cast<unsigned>(n), maxBytes)));
    return qMin(n, static_cast<int>(maxBytes));
}
