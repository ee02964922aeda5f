#include "displays/DDCCIControl.h"

#include "displays/DDCCIAutoDelay.h"
#include "displays/DisplayIdentity.h"

#include <QDebug>
#include <QDir>
#include <QLockFile>

#include <cstring>
#include <map>
#include <memory>

namespace {

QString hexBytes(const unsigned char* data, unsigned len)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(len)).toHex(' ');
}

// The payload of the Get-VCP request the test sends, and how long a reply may take.
constexpr unsigned char GetVCP = 0x01;
constexpr unsigned ProbeDelayMs = 50;
constexpr unsigned WideProbeDelayMs = 200;
constexpr int WideProbeWaitMs = 300;
constexpr int ProbeAttempts = 3;

// Reservations held by this process, by name: the lock file is what other processes see.
std::map<QString, std::unique_ptr<QLockFile>>& reservations()
{
    static std::map<QString, std::unique_ptr<QLockFile>> held;
    return held;
}
QMutex g_reservationMutex;

QString reservationPath(const QString& name)
{
    QString safe = name;
    for (QChar& c : safe) {
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    }
    return QDir::tempPath() + QStringLiteral("/lutloader-ddcci-") + safe + QStringLiteral(".lock");
}

} // namespace

DDCCIControl::DDCCIControl(int displayId) : m_displayId(displayId)
{
    // A negative id is a line whose display is not known yet (a port being probed while the
    // displays are enumerated): looking it up would enumerate again.
    const DisplayIdentity identity =
        displayId >= 0 ? DisplayIdentity::ofDisplay(displayId) : DisplayIdentity();
    m_edid = identity.edid;
    m_manufacturer = identity.vendor3;
    if (identity.madeBy({"WKC", "WIDE"}))
        m_protocolKind = ProtocolWideDDCCI;
    // DIVA displays answer the brightness read only once their vendor code was read.
    if (identity.madeBy({"DVA", "DIVA"}))
        m_probeCodes = {0xFD, 0x10};
    else
        m_probeCodes = {0x10};
}

DDCCIControl::~DDCCIControl()
{
    if (!m_reservation.isEmpty())
        releaseReservedDDCCI(m_reservation);
}

bool DDCCIControl::readEDID(unsigned char* out)
{
    if (m_edid.isEmpty() || !out)
        return false;
    std::memcpy(out, m_edid.constData(), static_cast<size_t>(qMin<qsizetype>(m_edid.size(), 128)));
    return true;
}

bool DDCCIControl::hardwareReconnect()
{
    return true;
}

bool DDCCIControl::unlockHardware()
{
    return true;
}

bool DDCCIControl::test()
{
    unsigned char reply[MaxPackageSize];
    if (m_protocolKind != ProtocolStandard) {
        for (int tries = 0; tries < ProbeAttempts; ++tries) {
            unsigned char payload[] = {0x31, 0x01, 0x02};
            if (write(payload, sizeof payload, WideProbeDelayMs) != 0)
                continue;
            read(reply, 1);
            DDCCIAutoDelay::waitServingEvents(WideProbeWaitMs);
            if (read(reply, 2) >= 0) {
                qDebug() << "DDCCIControl::test() test ok";
                return true;
            }
            qDebug() << "DDCCIControl::test() tries" << tries + 1;
        }
        return false;
    }
    for (const unsigned char code : m_probeCodes) {
        for (unsigned k = 0; k < ProbeAttempts; ++k) {
            unsigned char payload[] = {GetVCP, code};
            if (write(payload, sizeof payload, ProbeDelayMs) != 0)
                continue;
            qDebug() << "DDCCIControl::test() add = " << k;
            if (read(reply, 8 + k) >= 0)
                return true;
        }
    }
    return false;
}

unsigned char DDCCIControl::calculateChecksum(unsigned char seed, const unsigned char* data, unsigned len)
{
    unsigned char sum = m_protocolKind == ProtocolStandard ? seed : 0;
    for (unsigned i = 0; i < len; ++i)
        sum = m_protocolKind == ProtocolStandard ? sum ^ data[i] : static_cast<unsigned char>(sum + data[i]);
    return sum;
}

int DDCCIControl::makeI2CPackage(unsigned char* out, const unsigned char* payload, unsigned char len,
                                 unsigned char address)
{
    if (m_protocolKind != ProtocolStandard) {
        out[0] = static_cast<unsigned char>(len + 1);
        std::memcpy(out + 1, payload, len);
        out[len + 1] = calculateChecksum(0, payload, len);
        return len + 2;
    }
    out[0] = I2C_HOST_ADDRESS;
    out[1] = static_cast<unsigned char>(0x80 | len);
    std::memcpy(out + 2, payload, len);
    // The destination address takes part in the checksum although it is not in the package.
    out[len + 2] = calculateChecksum(address, out, len + 2u);
    return len + 3;
}

unsigned DDCCIControl::readPkgSize(unsigned payloadLen)
{
    return payloadLen + (m_protocolKind == ProtocolStandard ? 3 : 2);
}

void DDCCIControl::skipChecksumVerificationOnce()
{
    qDebug() << "skip checksum verification for next one reading";
    m_skipChecksumOnce = true;
}

int DDCCIControl::checkAndFixReadPackage(unsigned char* pkg, unsigned len)
{
    if (len < 2)
        return -1;
    if (!(pkg[0] == DDCCI_ADDRESS || pkg[0] == I2C_HOST_ADDRESS)) {
        qDebug() << "if (!(i2cPackage[0] == DDCCI_ADDRESS || i2cPackage[0] == I2C_HOST_ADDRESS))";
        qDebug().noquote() << "package[0-19]:" << hexBytes(pkg, qMin(len, 20u));
        m_lastError = ErrorFirstByte;
        return -1;
    }
    const unsigned n = pkg[1] & 0x7F;
    // A length byte that points past what was read cannot carry a valid checksum.
    const bool complete = n + 3 <= len;
    if (!complete || calculateChecksum(MAGIC_XOR, pkg, n + 3) != 0) {
        qDebug().noquote() << "package:" << hexBytes(pkg, qMin(len, n + 3));
        qDebug() << "checksumm = calculateChecksumm(MAGIC_XOR, i2cPackage, receivedLength+3)";
        if (!m_skipChecksumOnce || !complete) {
            m_lastError = ErrorChecksum;
            return -1;
        }
        qDebug() << "Skip wrong checksum";
    }
    std::memmove(pkg, pkg + 2, n);
    qDebug().noquote() << "Read:" << hexBytes(pkg, n);
    return static_cast<int>(n);
}

int DDCCIControl::checkWidePackage(unsigned char* pkg, unsigned len)
{
    if (len < 1) {
        qDebug() << "DDCCIControl wrong data size value";
        return -1;
    }
    const unsigned n = pkg[0];
    if (n <= 1) {
        qDebug() << "DDCCIControl small package";
        return -1;
    }
    if (len < n + 1) {
        qDebug() << "DDCCIControl wrong data size value";
        return -1;
    }
    if (calculateChecksum(0, pkg + 1, n - 1) != pkg[n]) {
        qDebug() << "DDCCIControl wrong checksum";
        m_lastError = ErrorChecksum;
        return -1;
    }
    std::memmove(pkg, pkg + 1, n - 1);
    qDebug().noquote() << "Read WIDE:" << hexBytes(pkg, n - 1);
    return static_cast<int>(n - 1);
}

int DDCCIControl::handleReadPackage(unsigned char* pkg, unsigned len)
{
    if (m_protocolKind != ProtocolStandard)
        return checkWidePackage(pkg, len);
    len = qMin(len, MaxPackageSize);
    unsigned char form[MaxPackageSize];
    int result = -1;
    bool checksumFailed = false;
    // As received; with a duplicated second byte dropped; with a stray first byte dropped.
    for (int attempt = 0; attempt < 3 && result < 0; ++attempt) {
        unsigned formLen = len;
        if (attempt == 0) {
            std::memcpy(form, pkg, len);
        } else if (attempt == 1) {
            if (len < 2)
                break;
            form[0] = pkg[0];
            std::memcpy(form + 1, pkg + 2, len - 2);
            formLen = len - 1;
        } else {
            std::memcpy(form, pkg + 1, len - 1);
            formLen = len - 1;
        }
        result = checkAndFixReadPackage(form, formLen);
        checksumFailed = checksumFailed || (result < 0 && m_lastError == ErrorChecksum);
        if (result >= 0) {
            std::memcpy(pkg, form, static_cast<size_t>(result));
            m_lastError = ErrorNone;
        }
    }
    // A reply that came with a bad checksum in any form is reported as such, not by the
    // stray-byte form's complaint about its first byte: a caller may retry a longer read.
    if (result < 0 && checksumFailed)
        m_lastError = ErrorChecksum;
    m_skipChecksumOnce = false;
    return result;
}

bool DDCCIControl::reserveDDCCI(const QString& name)
{
    QMutexLocker lock(&g_reservationMutex);
    auto& held = reservations();
    if (held.count(name))
        return m_reservation == name;
    auto file = std::make_unique<QLockFile>(reservationPath(name));
    file->setStaleLockTime(0);
    if (!file->tryLock(0))
        return false;
    held.emplace(name, std::move(file));
    m_reservation = name;
    return true;
}

bool DDCCIControl::isDDCCIReserved(const QString& name) const
{
    QMutexLocker lock(&g_reservationMutex);
    if (reservations().count(name))
        return true;
    QLockFile probe(reservationPath(name));
    probe.setStaleLockTime(0);
    if (!probe.tryLock(0))
        return true;
    probe.unlock();
    return false;
}

void DDCCIControl::releaseReservedDDCCI(const QString& name)
{
    QMutexLocker lock(&g_reservationMutex);
    if (m_reservation != name)
        return;
    reservations().erase(name);
    m_reservation.clear();
}
