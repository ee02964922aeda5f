#pragma once

#include "displays/DDCCIControl.h"

#include <QString>

#include <memory>

class HidDevice;

// The USB port of a WIDE display: the register protocol's length-prefixed packages travel as
// HID reports (report id 0, then the package); each input report is one reply. The port is
// the WIDE device whose serial number is the display's, or the only WIDE device attached.
class WideUsbDDCCIControl : public DDCCIControl
{
public:
    explicit WideUsbDDCCIControl(int displayId);
    ~WideUsbDDCCIControl() override;

    bool test() override;
    int read(unsigned char* buf, unsigned maxBytes) override;
    int write(unsigned char* payload, unsigned len, unsigned delayMs) override;
    bool hardwareReconnect() override;
    bool unlockHardware() override;

    // How long one reply may take; a WIDE display answers well within it.
    static constexpr int ReplyTimeoutMs = 5000;

private:
    bool open();

    std::unique_ptr<HidDevice> m_device;
    QString m_path;
    bool m_missingLogged = false;
};
