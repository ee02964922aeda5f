#include "platform/win/WinDisplayEnumeration.h"

#include <QDebug>
#include <QThread>

#include <windows.h>
// windows.h first: the setup API headers rely on its types; initguid.h makes devguid.h define
// the monitor class GUID here instead of only declaring it.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

namespace {

constexpr DWORD AdapterUsedMask = 0x09; // attached to the desktop | mirroring driver
constexpr DWORD AdapterUsed = 0x01;     // attached, not mirroring
constexpr DWORD MonitorUsedMask = 0x0B; // active | attached | mirroring driver
constexpr DWORD MonitorUsed = 0x03;     // active and attached, not mirroring
constexpr DWORD MaxEdidBytes = 1024;
constexpr DWORD DriverKeyBytes = 4096;
// Monitors of an adapter that just changed mode show up a moment later.
constexpr unsigned long MonitorSettleMs = 200;

QString fromWide(const wchar_t* text)
{
    return QString::fromWCharArray(text);
}

// The driver key of a monitor is the part of its device id after the second-last backslash
// ("MONITOR\DEL4092\{4d36e96e-...}\0001" gives "{4d36e96e-...}\0001").
QString driverKeyOf(const QString& deviceId)
{
    const qsizetype last = deviceId.lastIndexOf(QLatin1Char('\\'));
    if (last <= 0)
        return {};
    const qsizetype secondLast = deviceId.lastIndexOf(QLatin1Char('\\'), last - 1);
    return secondLast < 0 ? QString() : deviceId.mid(secondLast + 1);
}

QByteArray readEdidOf(HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    QByteArray edid(MaxEdidBytes, '\0');
    DWORD size = MaxEdidBytes;
    DWORD type = 0;
    const LONG status =
        RegQueryValueExA(key, "EDID", nullptr, &type, reinterpret_cast<BYTE*>(edid.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return {};
    edid.truncate(static_cast<qsizetype>(size));
    return edid;
}

// The EDID of the present monitor device whose driver key matches.
QByteArray monitorEdid(const QString& driverKey)
{
    if (driverKey.isEmpty())
        return {};
    HDEVINFO devices = SetupDiGetClassDevsExW(&GUID_DEVCLASS_MONITOR, nullptr, nullptr, DIGCF_PRESENT,
                                              nullptr, nullptr, nullptr);
    if (devices == INVALID_HANDLE_VALUE)
        return {};
    QByteArray edid;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        wchar_t driver[DriverKeyBytes / sizeof(wchar_t)] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_DRIVER, nullptr,
                                               reinterpret_cast<BYTE*>(driver), DriverKeyBytes, nullptr))
            continue;
        if (fromWide(driver).compare(driverKey, Qt::CaseInsensitive) == 0) {
            edid = readEdidOf(devices, device);
            break;
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return edid;
}

DISPLAY_DEVICEW displayDevice()
{
    DISPLAY_DEVICEW device{};
    device.cb = sizeof(device); // 840 bytes
    return device;
}

} // namespace

QList<DisplayOutput> WinDisplayEnumeration::activeOutputs() const
{
    QList<DisplayOutput> outputs;
    DISPLAY_DEVICEW adapter = displayDevice();
    for (DWORD a = 0; EnumDisplayDevicesW(nullptr, a, &adapter, 0); ++a, adapter = displayDevice()) {
        if ((adapter.StateFlags & AdapterUsedMask) != AdapterUsed)
            continue;
        DEVMODEW current{};
        current.dmSize = sizeof(current);
        if (!EnumDisplaySettingsExW(adapter.DeviceName, ENUM_CURRENT_SETTINGS, &current, 0)) {
            qWarning() << "WinDisplayEnumeration::activeOutputs() no current settings for"
                       << fromWide(adapter.DeviceName);
            continue;
        }
        // The stored settings are read as the system keeps them; the current ones describe the desktop.
        DEVMODEW stored{};
        stored.dmSize = sizeof(stored);
        EnumDisplaySettingsExW(adapter.DeviceName, ENUM_REGISTRY_SETTINGS, &stored, 0);
        const QRect rect(current.dmPosition.x, current.dmPosition.y, static_cast<int>(current.dmPelsWidth),
                         static_cast<int>(current.dmPelsHeight));

        QThread::msleep(MonitorSettleMs);
        DISPLAY_DEVICEW monitor = displayDevice();
        for (DWORD m = 0; EnumDisplayDevicesW(adapter.DeviceName, m, &monitor, 0);
             ++m, monitor = displayDevice()) {
            if ((monitor.StateFlags & MonitorUsedMask) != MonitorUsed)
                continue;
            DisplayOutput output;
            output.deviceName = fromWide(adapter.DeviceName);
            output.deviceString = fromWide(monitor.DeviceString);
            output.videoCardName = fromWide(adapter.DeviceString);
            output.videoCardKey = fromWide(adapter.DeviceKey);
            output.rect = rect;
            output.resolution = rect.size();
            output.edid = monitorEdid(driverKeyOf(fromWide(monitor.DeviceID)));
            outputs.append(output);
        }
    }
    return outputs;
}
