#include "lut/WindowsLUT.h"

#include "lut/GammaRampScaler.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"

#include <QDebug>

WindowsLUT::WindowsLUT(int displayId, const QString& deviceName, QObject* parent)
    : WindowsLUT(displayId, DeviceNameLookup([deviceName] { return deviceName; }), parent)
{
}

WindowsLUT::WindowsLUT(int displayId, DeviceNameLookup deviceName, QObject* parent)
    : ProfileLUT(parent), m_displayId(displayId), m_deviceName(std::move(deviceName))
{
    setGeometry(3, 256, 255 * 256);
    setCommunicationInterface(DISPIFACE_VIDEOCARD);
}

QString WindowsLUT::deviceName() const
{
    return m_deviceName ? m_deviceName() : QString();
}

std::unique_ptr<GammaRampDevice> WindowsLUT::openRamp(QString* deviceName)
{
    *deviceName = this->deviceName();
    QString error;
    std::unique_ptr<GammaRampDevice> device =
        deviceName->isEmpty() ? nullptr : Platform::backend().gammaRamps().open(*deviceName, &error);
    if (!device)
        qDebug() << "CreateDCA failed" << *deviceName << "display" << m_displayId << error;
    return device;
}

bool WindowsLUT::needsLinearCleanup()
{
    QString output;
    const std::unique_ptr<GammaRampDevice> device = openRamp(&output);
    return !device || device->ignoresRepeatedRamp();
}

QString WindowsLUT::describeTarget() const
{
    return QStringLiteral("display %1 (%2)").arg(m_displayId).arg(deviceName());
}

void WindowsLUT::ignoreOSLUT()
{
    qDebug() << "WindowsLUT::skipOSLUT()";
    m_ignoreOSLUT = true;
}

bool WindowsLUT::DownloadLUT(luts_t& table)
{
    QString output;
    const std::unique_ptr<GammaRampDevice> device = openRamp(&output);
    if (!device) {
        setOk(false);
        return false;
    }
    GammaRamp ramp;
    if (!device->read(ramp)) {
        qDebug() << "WindowsLUT::DownloadLUT GetDeviceGammaRamp failed" << output << device->lastError();
        setOk(false);
        return false;
    }
    const int size = LUTSize();
    table.assign(ChannelsCount(), {});
    for (int c = 0; c < static_cast<int>(table.size()); ++c)
        table[c] = GammaRampScaler::fromRamp(ramp[c % 3], size);
    setOk(true);
    return true;
}

bool WindowsLUT::RealUploadLUT(const luts_t& table)
{
    if (!tableFitsRamp(table))
        return false;
    const int size = LUTSize();
    int largest = 0;
    for (int c = 0; c < 3; ++c)
        largest = std::max(largest, table[c][size - 1]);
    if (largest < LUTMaxValue() / 2) {
        qDebug() << "max LUT value is too small" << largest;
        return false;
    }

    QString output;
    std::unique_ptr<GammaRampDevice> device = openRamp(&output);
    if (!device)
        return m_ignoreOSLUT;
    GammaRamp ramp;
    for (int c = 0; c < 3; ++c)
        ramp[c] = GammaRampScaler::toRamp({table[c].begin(), table[c].begin() + size}, device->rampSize());

    bool set = false;
    for (int attempt = 1; attempt <= SET_RAMP_ATTEMPTS && !set; ++attempt) {
        set = device->write(ramp);
        if (!set && attempt < SET_RAMP_ATTEMPTS)
            qDebug() << "retry SetDeviceGammaRamp" << device->lastError();
    }
    if (!set)
        qDebug() << "WindowsLUT: ramp of" << output << "refused:" << device->lastError();
    device.reset();
    qDebug() << "SetDeviceGammaRamp return value" << set;

    ProfileLUT::RealUploadLUT(table);
    return set || m_ignoreOSLUT;
}

bool WindowsLUT::tableFitsRamp(const luts_t& table)
{
    const int size = LUTSize();
    if (table.size() < 3) {
        qDebug() << "WindowsLUT: table of" << table.size() << "channels, 3 needed";
        return false;
    }
    for (int c = 0; c < 3; ++c) {
        if (static_cast<int>(table[c].size()) < size) {
            qDebug() << "WindowsLUT: channel" << c << "has" << table[c].size() << "entries," << size
                     << "needed";
            return false;
        }
    }
    return true;
}
