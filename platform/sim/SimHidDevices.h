#pragma once

#include "platform/HidDevices.h"

#include <atomic>

class SimDDCBuses;
class SimGammaRamps;
class SimWorkstation;

// The simulated workstation's HID devices. Every device listed speaks the text protocol
// of the maker's sensors (SimHidSensor); a sensor that belongs to a display measures
// what that display shows through its card's current ramp, or the room light.
class SimHidDevices : public HidDevices
{
public:
    SimHidDevices(SimWorkstation& workstation, const SimGammaRamps& ramps);

    QList<HidDeviceInfo> enumerate(quint16 vendorId = 0, quint16 productId = 0) const override;
    std::unique_ptr<HidDevice> open(const QString& path, QString* error = nullptr) const override;

    // A device whose entry names a display ("wideDisplay": output) is that WIDE display's USB
    // port, answered by its monitor on these buses.
    void setDisplayBuses(const SimDDCBuses* buses) { m_buses = buses; }
    // How often the devices were listed: a walk of the USB tree on a real machine.
    int enumerations() const { return m_enumerations.load(); }

private:
    SimWorkstation& m_workstation;
    const SimGammaRamps& m_ramps;
    const SimDDCBuses* m_buses = nullptr;
    mutable std::atomic<int> m_enumerations{0};
};
