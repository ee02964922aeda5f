#include "displays/WideUsbDDCCIControl.h"

#include "displays/CurrentDisplays.h"
#include "displays/DDCCIAutoDelay.h"
#include "platform/HidDevices.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>

#include <cstring>

namespace {

// Replies are read no sooner than this after the previous transaction.
constexpr unsigned ReadDelayMs = 50;
constexpr int MaxReportSize = 64;

bool isWide(const HidDeviceInfo& info)
{
    const QString maker = info.manufacturer.toUpper();
    return maker.contains(QLatin1String("WIDE")) || maker.contains(QLatin1String("WKC"));
}

} // namespace

WideUsbDDCCIControl::WideUsbDDCCIControl(int displayId) : DDCCIControl(displayId)
{
    setProtocolKind(ProtocolWideUSB);
}

WideUsbDDCCIControl::~WideUsbDDCCIControl() = default;

bool WideUsbDDCCIControl::open()
{
    if (m_device)
        return true;
    if (m_path.isEmpty()) {
        const QString serial = CurrentDisplays::DisplayById(displayId()).serial();
        QList<HidDeviceInfo> wide;
        for (const HidDeviceInfo& info : Platform::backend().hidDevices().enumerate()) {
            if (isWide(info))
                wide.append(info);
        }
        for (const HidDeviceInfo& info : wide) {
            if (!serial.isEmpty() && info.serialNumber == serial)
                m_path = info.path;
        }
        // Two WIDE displays cannot be told apart without their serial numbers.
        if (m_path.isEmpty() && wide.size() == 1)
            m_path = wide.front().path;
        if (m_path.isEmpty()) {
            if (!m_missingLogged)
                qDebug() << "WideUsbDDCCIControl: no WIDE USB device for display" << displayId() << "among"
                         << wide.size();
            m_missingLogged = true;
            return false;
        }
    }
    QString error;
    m_device = Platform::backend().hidDevices().open(m_path, &error);
    if (!m_device) {
        if (!m_missingLogged)
            qDebug().noquote() << "WideUsbDDCCIControl: cannot open" << m_path << "-" << error;
        m_missingLogged = true;
        return false;
    }
    return true;
}

bool WideUsbDDCCIControl::hardwareReconnect()
{
    QMutexLocker lock(&busMutex());
    return open();
}

bool WideUsbDDCCIControl::unlockHardware()
{
    QMutexLocker lock(&busMutex());
    m_device.reset();
    return true;
}

bool WideUsbDDCCIControl::test()
{
    {
        QMutexLocker lock(&busMutex());
        if (!open())
            return false;
    }
    return DDCCIControl::test();
}

int WideUsbDDCCIControl::write(unsigned char* payload, unsigned len, unsigned delayMs)
{
    QMutexLocker lock(&busMutex());
    if (!payload || len + 3 > MaxReportSize || !open()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    unsigned char package[MaxPackageSize];
    const int size = makeI2CPackage(package, payload, static_cast<unsigned char>(len), DDCCI_ADDRESS);
    QByteArray report(1, '\0');
    report.append(reinterpret_cast<const char*>(package), size);
    const int written = m_device->write(report);
    delay.start(delayMs);
    if (written < 0) {
        qDebug().noquote() << "WideUsbDDCCIControl write failed" << m_device->lastError();
        m_device.reset();
        setLastError(ErrorBusCall);
        return -1;
    }
    return 0;
}

int WideUsbDDCCIControl::read(unsigned char* buf, unsigned maxBytes)
{
    QMutexLocker lock(&busMutex());
    setLastError(ErrorNone);
    if (!buf || !open()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    QByteArray report;
    const int got = m_device->read(report, MaxReportSize, ReplyTimeoutMs);
    delay.start(ReadDelayMs);
    if (got <= 0) {
        qDebug().noquote() << "WideUsbDDCCIControl: no reply"
                           << (got < 0 ? m_device->lastError() : QString());
        if (got < 0)
            m_device.reset();
        setLastError(ErrorBusCall);
        return -1;
    }
    unsigned char package[MaxPackageSize];
    const unsigned size = qMin(static_cast<unsigned>(report.size()), MaxPackageSize);
    std::memcpy(package, report.constData(), size);
    const int n = handleReadPackage(package, size);
    if (n < 0)
        return -1;
    std::memcpy(buf, package, static_cast<size_t>(qMin(static_cast<unsigned>(n), maxBytes)));
    return qMin(n, static_cast<int>(maxBytes));
}
