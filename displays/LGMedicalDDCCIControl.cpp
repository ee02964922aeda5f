#include "displays/LGMedicalDDCCIControl.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QSerialPort>
#include <QThread>

#include <map>

namespace {

QMutex g_portsMutex;
std::map<int, QString>& ports()
{
    static std::map<int, QString> assigned;
    return assigned;
}

// Once a reply has started, a pause this long on the line ends it.
constexpr int InterByteGapMs = 50;

} // namespace

LGMedicalDDCCIControl::LGMedicalDDCCIControl(int displayId, QString portName)
    : ByteChannelDDCCIControl(displayId, "LGMedicalDDCCIControl"), m_portName(std::move(portName))
{
}

LGMedicalDDCCIControl::~LGMedicalDDCCIControl() = default;

void LGMedicalDDCCIControl::assignPort(int displayId, const QString& portName)
{
    QMutexLocker lock(&g_portsMutex);
    if (portName.isEmpty())
        ports().erase(displayId);
    else
        ports()[displayId] = portName;
}

QString LGMedicalDDCCIControl::assignedPort(int displayId)
{
    QMutexLocker lock(&g_portsMutex);
    const auto it = ports().find(displayId);
    return it == ports().end() ? QString() : it->second;
}

bool LGMedicalDDCCIControl::isChannelOpen() const
{
    // A serial port object belongs to the thread that made it; the transport is used from the
    // detection thread first and from the LUT loading thread later.
    return m_port && m_port->thread() == QThread::currentThread();
}

bool LGMedicalDDCCIControl::openChannel()
{
    m_port.reset();
    if (m_portName.isEmpty()) {
        reportOpenFailure(QStringLiteral("no COM port assigned to display %1").arg(displayId()));
        return false;
    }
    auto port = std::make_unique<QSerialPort>(m_portName);
    port->setBaudRate(BaudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        reportOpenFailure(QStringLiteral("cannot open %1 - %2").arg(m_portName, port->errorString()));
        return false;
    }
    m_port = std::move(port);
    return true;
}

void LGMedicalDDCCIControl::closeChannel()
{
    m_port.reset();
}

QString LGMedicalDDCCIControl::channelError() const
{
    return m_port ? m_port->errorString() : QString();
}

void LGMedicalDDCCIControl::beforeSend()
{
    // What is left of an earlier reply nobody read would be taken for the next one.
    m_port->clear(QSerialPort::Input);
}

bool LGMedicalDDCCIControl::sendPackage(const QByteArray& package)
{
    return m_port->write(package) == package.size() && m_port->waitForBytesWritten(ReplyTimeoutMs);
}

int LGMedicalDDCCIControl::receivePackage(QByteArray& reply, unsigned expected)
{
    // On a line nothing cuts a reply short: a reply whose length byte came twice is taken whole.
    const qsizetype wanted = qMin(expected + 1, MaxPackageSize);
    const QDeadlineTimer deadline(ReplyTimeoutMs);
    while (reply.size() < wanted) {
        reply += m_port->read(wanted - reply.size());
        // A reply says how long it is, one byte more when its length byte came twice (no
        // reply's first payload byte looks like a length byte).
        if (reply.size() >= 3) {
            const bool repeated = reply[2] == reply[1];
            if (reply.size() >= (static_cast<unsigned char>(reply[1]) & 0x7F) + 3 + (repeated ? 1 : 0))
                break;
        }
        const int wait = reply.isEmpty() ? static_cast<int>(deadline.remainingTime()) : InterByteGapMs;
        if (wait <= 0 || !m_port->waitForReadyRead(wait))
            break;
    }
    return static_cast<int>(reply.size());
}
