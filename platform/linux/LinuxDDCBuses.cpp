#include "platform/linux/LinuxDDCBuses.h"

#include "platform/linux/I2CDeviceIo.h"
#include "platform/linux/LinuxDDCBus.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

namespace {

// X11 and DRM name some connectors differently: "HDMI-A-1" is "HDMI-1" to X11, "DVI-I-1"
// stays the same, "DisplayPort-0" of some drivers is DRM's "DP-1".
bool sameConnector(const QString& drmName, const QString& output)
{
    if (drmName.compare(output, Qt::CaseInsensitive) == 0)
        return true;
    QString x11 = drmName;
    x11.replace(QStringLiteral("HDMI-A-"), QStringLiteral("HDMI-"));
    if (x11.compare(output, Qt::CaseInsensitive) == 0)
        return true;
    static const QRegularExpression dpZeroBased(QStringLiteral("^DisplayPort-(\\d+)$"));
    const QRegularExpressionMatch m = dpZeroBased.match(output);
    return m.hasMatch() && drmName == QStringLiteral("DP-%1").arg(m.captured(1).toInt() + 1);
}

int busOfConnectorDir(const QString& dir)
{
    static const QRegularExpression i2cName(QStringLiteral("^i2c-(\\d+)$"));
    const QFileInfo ddc(dir + QStringLiteral("/ddc"));
    if (ddc.exists()) {
        const QRegularExpressionMatch m = i2cName.match(QFileInfo(ddc.canonicalFilePath()).fileName());
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    // DisplayPort connectors carry their AUX channel's bus as a child instead.
    for (const QString& entry : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = i2cName.match(entry);
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    return -1;
}

} // namespace

LinuxDDCBuses::LinuxDDCBuses()
    : LinuxDDCBuses(QStringLiteral("/sys/class/drm"), QStringLiteral("/dev"), I2CDeviceIo::system())
{
}

LinuxDDCBuses::LinuxDDCBuses(QString sysfsDrm, QString devDirectory, std::shared_ptr<I2CDeviceIo> io)
    : m_sysfsDrm(std::move(sysfsDrm)), m_devDirectory(std::move(devDirectory)), m_io(std::move(io))
{
}

int LinuxDDCBuses::busNumber(const QString& output) const
{
    static const QRegularExpression connectorDir(QStringLiteral("^card\\d+-(.+)$"));
    for (const QString& entry : QDir(m_sysfsDrm).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QRegularExpressionMatch m = connectorDir.match(entry);
        if (m.hasMatch() && sameConnector(m.captured(1), output))
            return busOfConnectorDir(m_sysfsDrm + QLatin1Char('/') + entry);
    }
    return -1;
}

std::unique_ptr<DDCBus> LinuxDDCBuses::open(const QString& output, QString* error) const
{
    const int bus = busNumber(output);
    if (bus < 0) {
        if (error)
            *error = QStringLiteral("no DDC bus found for connector %1 under %2").arg(output, m_sysfsDrm);
        return nullptr;
    }
    const QString path = QStringLiteral("%1/i2c-%2").arg(m_devDirectory).arg(bus);
    const int fd = m_io->open(path);
    if (fd < 0) {
        const int code = errno;
        if (error) {
            if (code == ENOENT)
                *error =
                    QStringLiteral("%1 does not exist: load the i2c-dev module (modprobe i2c-dev, or add "
                                   "i2c-dev to /etc/modules-load.d)")
                        .arg(path);
            else if (code == EACCES || code == EPERM)
                *error = QStringLiteral("%1: permission denied: add the user to the group that owns it "
                                        "(usually i2c: usermod -aG i2c USER) and log in again")
                             .arg(path);
            else
                *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
        }
        return nullptr;
    }
    return std::make_unique<LinuxDDCBus>(m_io, fd, path);
}
