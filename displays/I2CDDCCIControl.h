#pragma once

#include "displays/DDCCIControl.h"

#include <memory>

class DDCBus;

// DDC/CI over the display output's own I2C bus (the platform's DDC bus: /dev/i2c-N on
// Linux, the simulated monitor on the simulated workstation), at the 7-bit address 37h.
// The transport of last resort: any video card whose driver exposes the bus reaches the
// display this way.
class I2CDDCCIControl : public DDCCIControl
{
public:
    explicit I2CDDCCIControl(int displayId);
    ~I2CDDCCIControl() override;

    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;
    // Opens the bus if it is closed; false when it cannot be opened.
    bool hardwareReconnect() override;
    // Closes the bus so other programs may use it.
    bool unlockHardware() override;

private:
    QString m_output;
    std::unique_ptr<DDCBus> m_bus;
    bool m_openFailureLogged = false;
};
