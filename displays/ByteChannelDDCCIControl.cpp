#include "displays/ByteChannelDDCCIControl.h"

#include "displays/DDCCIAutoDelay.h"

#include <QDebug>

#include <cstring>

ByteChannelDDCCIControl::ByteChannelDDCCIControl(int displayId, const char* name)
    : DDCCIControl(displayId), m_name(name)
{
}

ByteChannelDDCCIControl::~ByteChannelDDCCIControl() = default;

void ByteChannelDDCCIControl::reportOpenFailure(const QString& message)
{
    if (!m_openFailureReported)
        qDebug().noquote() << QString::fromLatin1(m_name) + QStringLiteral(":") << message;
    m_openFailureReported = true;
}

bool ByteChannelDDCCIControl::ensureOpen()
{
    if (isChannelOpen())
        return true;
    if (!openChannel())
        return false;
    m_openFailureReported = false;
    return true;
}

bool ByteChannelDDCCIControl::hardwareReconnect()
{
    QMutexLocker lock(&busMutex());
    return ensureOpen();
}

bool ByteChannelDDCCIControl::unlockHardware()
{
    QMutexLocker lock(&busMutex());
    closeChannel();
    return true;
}

bool ByteChannelDDCCIControl::test()
{
    // A channel that does not open has nobody to ask; the attempts of the test would only
    // repeat the failure.
    {
        QMutexLocker lock(&busMutex());
        if (!ensureOpen())
            return false;
    }
    return DDCCIControl::test();
}

int ByteChannelDDCCIControl::write(unsigned char* payload, unsigned len, unsigned delayMs)
{
    QMutexLocker lock(&busMutex());
    if (!payload || len > maxPayload() || !ensureOpen()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    beforeSend();
    unsigned char package[MaxPackageSize];
    const int size = makeI2CPackage(package, payload, static_cast<unsigned char>(len), DDCCI_ADDRESS);
    const bool sent = sendPackage(QByteArray(reinterpret_cast<const char*>(package), size));
    delay.start(delayMs);
    if (!sent) {
        qDebug().noquote() << m_name << "write failed" << channelName() << channelError();
        closeChannel();
        setLastError(ErrorBusCall);
        return -1;
    }
    return 0;
}

int ByteChannelDDCCIControl::read(unsigned char* buf, unsigned maxBytes)
{
    QMutexLocker lock(&busMutex());
    setLastError(ErrorNone);
    if (!buf || !ensureOpen()) {
        setLastError(ErrorBusCall);
        return -1;
    }
    DDCCIAutoDelay delay;
    QByteArray reply;
    const int got = receivePackage(reply, readPkgSize(qMin(maxBytes, 127u)));
    delay.start(ReadDelayMs);
    if (got <= 0 || reply.isEmpty()) {
        qDebug().noquote() << QString::fromLatin1(m_name) + QStringLiteral(": no reply on") << channelName()
                           << (got < 0 ? channelError() : QString());
        if (got < 0)
            closeChannel();
        setLastError(ErrorBusCall);
        return -1;
    }
    unsigned char package[MaxPackageSize];
    const unsigned size = qMin(static_cast<unsigned>(reply.size()), MaxPackageSize);
    std::memcpy(package, reply.constData(), size);
    const int n = handleReadPackage(package, size);
    if (n < 0)
        return -1;
    const unsigned copied = qMin(static_cast<unsigned>(n), maxBytes);
    std::memcpy(buf, package, copied);
    return static_cast<int>(copied);
}
