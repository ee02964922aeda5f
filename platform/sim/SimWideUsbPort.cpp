#include "platform/sim/SimWideUsbPort.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {
constexpr quint8 MonitorAddress = 0x37;
constexpr int PollMs = 5;
} // namespace

SimWideUsbPort::SimWideUsbPort(std::unique_ptr<DDCBus> monitor) : m_monitor(std::move(monitor)) {}

int SimWideUsbPort::write(const QByteArray& report)
{
    if (report.size() < 2 || !m_monitor->write(MonitorAddress, report.mid(1), &m_error))
        return -1;
    return static_cast<int>(report.size());
}

int SimWideUsbPort::read(QByteArray& report, int maxLength, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A reply is not there before the display has had its time to make it.
    while (!m_monitor->read(MonitorAddress, maxLength, report, &m_error)) {
        if (m_error != QLatin1String("reply not ready yet"))
            return 0;
        if (deadline.hasExpired())
            return 0;
        QThread::msleep(PollMs);
    }
    // An input report is as long as the package in it; the bus would have padded it.
    if (!report.isEmpty())
        report.truncate(qMin<qsizetype>(report.size(), static_cast<quint8>(report[0]) + 1));
    return static_cast<int>(report.size());
}

int SimWideUsbPort::sendFeatureReport(const QByteArray& /*report*/)
{
    m_error = QStringLiteral("no feature reports");
    return -1;
}

int SimWideUsbPort::getFeatureReport(quint8 /*reportId*/, QByteArray& /*report*/, int /*maxLength*/)
{
    m_error = QStringLiteral("no feature reports");
    return -1;
}
