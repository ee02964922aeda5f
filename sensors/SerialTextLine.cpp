#include "sensors/SerialTextLine.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SerialPorts.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QSerialPort>

#include <algorithm>

namespace {

// Answers are short; a device that sends more without a line end is not one of these.
constexpr int kMaxLine = 256;

} // namespace

std::unique_ptr<QSerialPort> SerialTextLine::open(const QString& name, qint32 baudRate, QString& problem)
{
    if (name.isEmpty())
        return nullptr;
    auto port = std::make_unique<QSerialPort>(name);
    port->setBaudRate(baudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        if (port->error() != QSerialPort::DeviceNotFoundError)
            problem = QStringLiteral("%1: %2").arg(name, port->errorString());
        return nullptr;
    }
    return port;
}

bool SerialTextLine::probe(int wanted, const std::function<bool(const SerialPortInfo&)>& open)
{
    // One listing for the whole search, also for a known port: the system is slow to list
    // its ports, and a listing per port probed would make a search over n ports quadratic.
    for (const SerialPortInfo& port : Platform::backend().serialPortEnumeration().enumerate()) {
        if (port.number < 0 || (wanted >= 0 && port.number != wanted))
            continue;
        if (open(port))
            return true;
    }
    return false;
}

QByteArray SerialTextLine::read(QSerialPort& port, QByteArray& buffer, int timeoutMs, const char* who,
                                QString& failure)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qsizetype end = buffer.indexOf('\n');
        if (end >= 0) {
            const QByteArray line = buffer.left(end).trimmed();
            buffer.remove(0, end + 1);
            if (!line.isEmpty())
                return line;
            continue;
        }
        if (buffer.size() > kMaxLine) {
            qDebug() << who << ": answer without line end";
            buffer.clear();
            return {};
        }
        if (deadline.hasExpired())
            return {};
        if (port.bytesAvailable() > 0 ||
            port.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
            buffer += port.readAll();
        } else if (port.error() != QSerialPort::NoError && port.error() != QSerialPort::TimeoutError) {
            failure = port.errorString();
            return {};
        }
    }
}
