#include "displays/I2CDDCCIControl.h"

#include "displays/CurrentDisplays.h"
#include "displays/DDCCIAutoDelay.h"
#include "platform/DDCBuses.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>

#include <cstring>

namespace {
// Replies are read no sooner than this after the previous transaction.
constexpr unsigned ReadDelayMs = 50;
} // namespace

I2CDDCCIControl::I2CDDCCIControl(int displayId)
    : DDCCIControl(displayId), m_output(CurrentDisplays::DisplayById(displayId).deviceName())
{
}

I2CDDCCIControl::~I2CDDCCIControl() = default;

bool I2CDDCCIControl::hardwareReconnect()
{
    QMutexLocker lock(&busMutex());
    if (m_bus)
        return true;
    QString error;
    m_bus = m_output.isEmpty() ? nullptr : Platform::backend().ddcBuses().open(m_output, &error);
    if (!m_bus && !m_openFailureLogged) {
        // Once per display: a missing bus is the same answer on every call.
        qDebug().noquote() << "I2CDDCCIControl: no DDC bus for display" << displayId() << m_output << "-"
                           << error;
        m_openFailureLogged = true;
    }
    return m_bus != nullptr;
}

bool I2CDDCCIControl::unlockHardware()
{
    QMutexLocker lock(&busMutex());
    m_bus.reset();
    return true;
}

int I2CDDCCIControl::write(unsigned char* payload, unsigned len, unsigned delayMs)
{
    if (!payload || len > 127 || !hardwareReconnect()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    QMutexLocker lock(&busMutex());
    DDCCIAutoDelay delay;
    unsigned char package[MaxPackageSize];
    const int size = makeI2CPackage(package, payload, static_cast<unsigned char>(len), DDCCI_ADDRESS);
    QString error;
    const bool written =
        m_bus->write(DDCCI_ADDRESS_7BIT, QByteArray(reinterpret_cast<const char*>(package), size), &error);
    delay.start(delayMs);
    if (!written) {
        qDebug().noquote() << "WriteI2CBuf failed" << m_output << error;
        setLastError(ErrorBusCall);
        return -1;
    }
    return 0;
}

int I2CDDCCIControl::read(unsigned char* buf, unsigned maxBytes)
{
    setLastError(ErrorNone);
    if (!buf || !hardwareReconnect()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    QMutexLocker lock(&busMutex());
    DDCCIAutoDelay delay;
    const unsigned size = qMin(readPkgSize(qMin(maxBytes, 127u)), MaxPackageSize);
    QByteArray reply;
    QString error;
    const bool received = m_bus->read(DDCCI_ADDRESS_7BIT, static_cast<int>(size), reply, &error);
    delay.start(ReadDelayMs);
    if (!received || reply.isEmpty()) {
        qDebug().noquote() << "if (retval>ERROR_FIRST)" << m_output << error;
        setLastError(ErrorBusCall);
        return -1;
    }
    unsigned char package[MaxPackageSize];
    const unsigned got = qMin(static_cast<unsigned>(reply.size()), MaxPackageSize);
    std::memcpy(package, reply.constData(), got);
    const int n = handleReadPackage(package, got);
    if (n < 0)
        return -1;
    std::memcpy(buf, package, static_cast<size_t>(qMin(static_cast<unsigned>(n), maxBytes)));
    return qMin(n, static_cast<int>(maxBytes));
}
