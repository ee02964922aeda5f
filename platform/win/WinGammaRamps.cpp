#include "platform/win/WinGammaRamps.h"

#include "platform/win/WinGammaRampDevice.h"

std::unique_ptr<GammaRampDevice> WinGammaRamps::open(const QString& output, QString* error) const
{
    const std::wstring device = output.toStdWString();
    HDC hdc = CreateDCW(nullptr, device.c_str(), nullptr, nullptr);
    if (!hdc) {
        if (error)
            *error = QStringLiteral("CreateDCW failed for %1, error %2").arg(output).arg(GetLastError());
        return nullptr;
    }
    return std::make_unique<WinGammaRampDevice>(hdc);
}

QStringList WinGammaRamps::outputs() const
{
    QStringList names;
    DISPLAY_DEVICEW device = {};
    device.cb = sizeof(device);
    for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i) {
        if (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)
            names << QString::fromWCharArray(device.DeviceName);
        device = {};
        device.cb = sizeof(device);
    }
    return names;
}
