#include "platform/sim/SimSerialLine.h"

#include "platform/sim/SimMccsMonitor.h"

#include <QDebug>
#include <QSerialPort>

namespace {

constexpr quint8 DisplayAddress7Bit = 0x37;
constexpr int PollMs = 20;
constexpr int LongestReply = 64;

qsizetype packageSize(const QByteArray& bytes)
{
    return (static_cast<quint8>(bytes[1]) & 0x7F) + 3;
}

} // namespace

SimSerialLine::SimSerialLine(QString device, std::unique_ptr<SimMccsMonitor> monitor)
    : m_device(std::move(device)), m_monitor(std::move(monitor))
{
}

SimSerialLine::~SimSerialLine()
{
    m_stop = true;
    wait();
}

void SimSerialLine::run()
{
    QSerialPort line(m_device);
    if (!line.open(QIODevice::ReadWrite)) {
        qDebug().noquote() << "SimSerialLine: cannot open" << m_device << "-" << line.errorString();
        return;
    }
    QByteArray pending;
    while (!m_stop) {
        if (line.waitForReadyRead(PollMs))
            pending += line.readAll();
        if (pending.size() < 2 || pending.size() < packageSize(pending))
            continue;
        const QByteArray package = pending.left(packageSize(pending));
        pending.remove(0, package.size());
        ++m_packages;
        QString error;
        if (!m_monitor->write(DisplayAddress7Bit, package, &error))
            continue;
        // A command without an answer is done: the line goes straight back to listening, so the
        // display takes packages as fast as the host sends them and in the order sent.
        const int untilReply = m_monitor->msUntilReply();
        if (untilReply < 0)
            continue;
        QThread::msleep(static_cast<unsigned long>(untilReply));
        QByteArray reply;
        if (!m_monitor->read(DisplayAddress7Bit, LongestReply, reply, &error) || reply.size() < 3)
            continue;
        // A monitor that repeats its length byte sends one byte more than the length says.
        const bool repeated = reply[2] == reply[1];
        line.write(reply.left(packageSize(reply) + (repeated ? 1 : 0)));
        line.waitForBytesWritten(500);
    }
}
