#pragma once

#include "platform/HidDevices.h"

#include <memory>

// The HID access of the maker's sensors: a thin layer over the platform's HID devices
// that keeps one device open and says what it is.
class HidAPIWrapper
{
public:
    HidAPIWrapper();
    ~HidAPIWrapper();
    HidAPIWrapper(const HidAPIWrapper&) = delete;
    HidAPIWrapper& operator=(const HidAPIWrapper&) = delete;

    QList<HidDeviceInfo> enumerate(quint16 vendorId = 0, quint16 productId = 0) const;
    bool open(const HidDeviceInfo& device);
    void close();
    bool isOpen() const { return m_device != nullptr; }
    const HidDeviceInfo& info() const { return m_info; }

    int write(const QByteArray& report);
    // One input report, waiting at most `timeoutMs`: bytes read, 0 on time-out, -1 on failure.
    int readTimeout(QByteArray& report, int maxLength, int timeoutMs);
    int sendFeatureReport(const QByteArray& report);
    int getFeatureReport(quint8 reportId, QByteArray& report, int maxLength);
    QString lastError() const { return m_error; }

private:
    std::unique_ptr<HidDevice> m_device;
    HidDeviceInfo m_info;
    QString m_error;
};
