#pragma once

#include "platform/DDCBus.h"
#include "platform/HidDevices.h"

#include <memory>

// The USB port of a simulated WIDE display: output reports carry the register protocol's
// length-prefixed packages (after the report id), input reports the display's replies.
class SimWideUsbPort : public HidDevice
{
public:
    explicit SimWideUsbPort(std::unique_ptr<DDCBus> monitor);

    int write(const QByteArray& report) override;
    int read(QByteArray& report, int maxLength, int timeoutMs) override;
    int sendFeatureReport(const QByteArray& report) override;
    int getFeatureReport(quint8 reportId, QByteArray& report, int maxLength) override;
    QString lastError() const override { return m_error; }

private:
    std::unique_ptr<DDCBus> m_monitor;
    QString m_error;
};
