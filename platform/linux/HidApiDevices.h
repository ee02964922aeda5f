#pragma once

#include "platform/HidDevices.h"

// The HID devices through hidapi (its hidraw backend on Linux).
class HidApiDevices : public HidDevices
{
public:
    HidApiDevices();
    ~HidApiDevices() override;
    HidApiDevices(const HidApiDevices&) = delete;
    HidApiDevices& operator=(const HidApiDevices&) = delete;

    QList<HidDeviceInfo> enumerate(quint16 vendorId = 0, quint16 productId = 0) const override;
    std::unique_ptr<HidDevice> open(const QString& path, QString* error = nullptr) const override;

private:
    bool m_initialised = false;
};
