#include "platform/sim/SimHidDevices.h"

#include "platform/sim/SimDDCBuses.h"
#include "platform/sim/SimHidSensor.h"
#include "platform/sim/SimWideUsbPort.h"
#include "platform/sim/SimWorkstation.h"

SimHidDevices::SimHidDevices(SimWorkstation& workstation, const SimGammaRamps& ramps)
    : m_workstation(workstation), m_ramps(ramps)
{
}

QList<HidDeviceInfo> SimHidDevices::enumerate(quint16 vendorId, quint16 productId) const
{
    m_enumerations.fetch_add(1);
    QList<HidDeviceInfo> result;
    for (const SimHidEntry& entry : m_workstation.hidDevices()) {
        HidDeviceInfo info;
        info.path = entry.path;
        info.vendorId = static_cast<quint16>(entry.config.value(QStringLiteral("vendorId")).toInt(0x2fe3));
        info.productId = static_cast<quint16>(entry.config.value(QStringLiteral("productId")).toInt(0x0100));
        info.serialNumber = entry.config.value(QStringLiteral("serial")).toString();
        info.manufacturer = entry.config.value(QStringLiteral("manufacturer")).toString();
        info.product = entry.config.value(QStringLiteral("product")).toString();
        info.interfaceNumber = 0;
        if ((vendorId && vendorId != info.vendorId) || (productId && productId != info.productId))
            continue;
        result.append(info);
    }
    return result;
}

std::unique_ptr<HidDevice> SimHidDevices::open(const QString& path, QString* error) const
{
    const std::optional<SimHidEntry> entry = m_workstation.hidDevice(path);
    if (!entry || !entry->connected) {
        if (error)
            *error = QStringLiteral("no HID device %1").arg(path);
        return nullptr;
    }
    const QString wide = entry->config.value(QStringLiteral("wideDisplay")).toString();
    if (!wide.isEmpty()) {
        std::unique_ptr<DDCBus> monitor = m_buses ? m_buses->openUsb(wide, error) : nullptr;
        return monitor ? std::make_unique<SimWideUsbPort>(std::move(monitor)) : nullptr;
    }
    return std::make_unique<SimHidSensor>(m_workstation, m_ramps, path);
}
