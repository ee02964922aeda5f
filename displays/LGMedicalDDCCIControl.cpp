#include "displays/LGMedicalDDCCIControl.h"

#include "displays/DDCCIAutoDelay.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QMutex>
#include <QSerialPort>
#include <QThread>

#include <cstring>
#include <map>

namespace {

QMutex g_portsMutex;
std::map<int, QString>& ports()
{
    static std::map<int, QString> assigned;
    return assigned;
}

// Replies are read no sooner than this after the previous transaction.
constexpr unsigned ReadDelayMs = 50;
// Once a reply has started, a pause this long on the line ends it.
constexpr int InterByteGapMs = 50;

} // namespace

LGMedicalDDCCIControl::LGMedicalDDCCIControl(int displayId, QString portName)
    : DDCCIControl(displayId), m_portName(std::move(portName))
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

bool LGMedicalDDCCIControl::open()
{
    // A serial port object belongs to the thread that made it; the transport is used from the
    // detection thread first and from the LUT loading thread later.
    if (m_port && m_port->thread() != QThread::currentThread())
        m_port.reset();
    if (m_port)
        return true;
    if (m_portName.isEmpty()) {
        if (!m_openFailureLogged)
            qDebug() << "LGMedicalDDCCIControl: no COM port assigned to display" << displayId();
        m_openFailureLogged = true;
        return false;
    }
    auto port = std::make_unique<QSerialPort>(m_portName);
    port->setBaudRate(BaudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        if (!m_openFailureLogged)
            qDebug().noquote() << "LGMedicalDDCCIControl: cannot open" << m_portName << "-"
                               << port->errorString();
        m_openFailureLogged = true;
        return false;
    }
    m_openFailureLogged = false;
    m_port = std::move(port);
    return true;
}

bool LGMedicalDDCCIControl::hardwareReconnect()
{
    QMutexLocker lock(&busMutex());
    return open();
}

bool LGMedicalDDCCIControl::unlockHardware()
{
    QMutexLocker lock(&busMutex());
    m_port.reset();
    return true;
}

bool LGMedicalDDCCIControl::test()
{
    if (m_portName.isEmpty()) {
        qDebug() << "LGMedicalDDCCIControl: no COM port assigned to display" << displayId();
        return false;
    }
    return DDCCIControl::test();
}

int LGMedicalDDCCIControl::write(unsigned char* payload, unsigned len, unsigned delayMs)
{
    QMutexLocker lock(&busMutex());
    if (!payload || len > 127 || !open()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    // What is left of an earlier reply nobody read would be taken for the next one.
    m_port->clear(QSerialPort::Input);
    unsigned char package[MaxPackageSize];
    const int size = makeI2CPackage(package, payload, static_cast<unsigned char>(len), DDCCI_ADDRESS);
    const bool written = m_port->write(reinterpret_cast<const char*>(package), size) == size &&
                         m_port->waitForBytesWritten(ReplyTimeoutMs);
    delay.start(delayMs);
    if (!written) {
        qDebug().noquote() << "LGMedicalDDCCIControl write failed" << m_portName << m_port->errorString();
        setLastError(ErrorBusCall);
        return -1;
    }
    return 0;
}

int LGMedicalDDCCIControl::read(unsigned char* buf, unsigned maxBytes)
{
    QMutexLocker lock(&busMutex());
    setLastError(ErrorNone);
    if (!buf || !open()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    // On a line nothing cuts a reply short: a reply whose length byte came twice is taken whole.
    const qsizetype wanted = qMin(readPkgSize(qMin(maxBytes, 127u)) + 1, MaxPackageSize);
    QByteArray reply;
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
    delay.start(ReadDelayMs);
    if (reply.isEmpty()) {
        qDebug().noquote() << "LGMedicalDDCCIControl: no reply on" << m_portName;
        setLastError(ErrorBusCall);
        return -1;
    }
    unsigned char package[MaxPackageSize];
    std::memcpy(package, reply.constData(), static_cast<size_t>(reply.size()));
    const int n = handleReadPackage(package, static_cast<unsigned>(reply.size()));
    if (n < 0)
        return -1;
    std::memcpy(buf, package, static_cast<size_t>(qMin(static_cast<unsigned>(n), maxBytes)));
    return qMin(n, static_cast<int>(maxBytes));
}
