#include "platform/linux/LinuxDDCBus.h"

#include "platform/linux/I2CDeviceIo.h"

#include <cerrno>
#include <cstring>

namespace {

// An interrupted call is tried again a few times; any other failure is the caller's to retry.
constexpr int InterruptRetries = 3;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

LinuxDDCBus::LinuxDDCBus(std::shared_ptr<I2CDeviceIo> io, int fd, QString path)
    : m_io(std::move(io)), m_fd(fd), m_path(std::move(path))
{
}

LinuxDDCBus::~LinuxDDCBus()
{
    m_io->close(m_fd);
}

bool LinuxDDCBus::selectAddress(quint8 address, QString* error)
{
    if (m_selected == address)
        return true;
    if (m_io->setSlaveAddress(m_fd, address) < 0) {
        setError(
            error,
            QStringLiteral("%1: I2C_SLAVE %2: %3").arg(m_path).arg(address, 2, 16).arg(systemError(errno)));
        return false;
    }
    m_selected = address;
    return true;
}

bool LinuxDDCBus::write(quint8 address, const QByteArray& bytes, QString* error)
{
    if (!selectAddress(address, error))
        return false;
    for (int attempt = 0; attempt < InterruptRetries; ++attempt) {
        const ssize_t written = m_io->write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()));
        if (written == bytes.size())
            return true;
        if (written >= 0) {
            setError(
                error,
                QStringLiteral("%1: short write, %2 of %3 bytes").arg(m_path).arg(written).arg(bytes.size()));
            return false;
        }
        if (errno != EINTR)
            break;
    }
    setError(error, QStringLiteral("%1: write: %2").arg(m_path, systemError(errno)));
    return false;
}

bool LinuxDDCBus::read(quint8 address, int count, QByteArray& out, QString* error)
{
    if (count <= 0 || !selectAddress(address, error))
        return false;
    out.resize(count);
    for (int attempt = 0; attempt < InterruptRetries; ++attempt) {
        const ssize_t got = m_io->read(m_fd, out.data(), static_cast<size_t>(count));
        if (got > 0) {
            out.resize(got);
            return true;
        }
        if (got == 0 || errno != EINTR)
            break;
    }
    setError(error, QStringLiteral("%1: read: %2").arg(m_path, systemError(errno)));
    out.clear();
    return false;
}
