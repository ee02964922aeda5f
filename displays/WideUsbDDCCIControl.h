#pragma once

#include "displays/ByteChannelDDCCIControl.h"

#include <QString>

#include <memory>

class HidDevice;

// The USB port of a WIDE display: the register protocol's length-prefixed packages travel as
// HID reports (report id 0, then the package); each input report is one reply. The port is
// the WIDE device whose serial number is the display's, or the only WIDE device attached.
class WideUsbDDCCIControl : public ByteChannelDDCCIControl
{
public:
    explicit WideUsbDDCCIControl(int displayId);
    ~WideUsbDDCCIControl() override;

    // How long one reply may take; a WIDE display answers well within it.
    static constexpr int ReplyTimeoutMs = 5000;

protected:
    bool isChannelOpen() const override { return m_device != nullptr; }
    bool openChannel() override;
    void closeChannel() override;
    // A report of 64 bytes: the report id, the length byte, the payload and the sum.
    unsigned maxPayload() const override { return 61; }
    bool sendPackage(const QByteArray& package) override;
    int receivePackage(QByteArray& reply, unsigned expected) override;
    QString channelName() const override { return m_path; }
    QString channelError() const override;

private:
    std::unique_ptr<HidDevice> m_device;
    QString m_path;
};
