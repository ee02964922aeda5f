#include "displays/WideUsbDDCCIControl.h"

#include "displays/CurrentDisplays.h"
#include "platform/HidDevices.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

namespace {

constexpr int MaxReportSize = 64;

bool isWide(const HidDeviceInfo& info)
{
    const QString maker = info.manufacturer.toUpper();
    return maker.contains(QLatin1String("WIDE")) || maker.contains(QLatin1String("WKC"));
}

} // namespace

WideUsbDDCCIControl::WideUsbDDCCIControl(int displayId)
    : ByteChannelDDCCIControl(displayId, "WideUsbDDCCIControl")
{
    setProtocolKind(ProtocolWideUSB);
}

WideUsbDDCCIControl::~WideUsbDDCCIControl() = default;

bool WideUsbDDCCIControl::openChannel()
{
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
            reportOpenFailure(QStringLiteral("no WIDE USB device for display %1 among %2")
                                  .arg(displayId())
                                  .arg(wide.size()));
            return false;
        }
    }
    QString error;
    m_device = Platform::backend().hidDevices().open(m_path, &error);
    if (!m_device) {
        reportOpenFailure(QStringLiteral("cannot open %1 - %2").arg(m_path, error));
        return false;
    }
    return true;
}

void WideUsbDDCCIControl::closeChannel()
{
    m_device.reset();
}

QString WideUsbDDCCIControl::channelError() const
{
    return m_device ? m_device->lastError() : QString();
}

bool WideUsbDDCCIControl::sendPackage(const QByteArray& package)
{
    return m_device->write(QByteArray(1, '\0') + package) >= 0;
}

int WideUsbDDCCIControl::receivePackage(QByteArray& reply, unsigned /*expected*/)
{
    return m_device->read(reply, MaxReportSize, ReplyTimeoutMs);
}
