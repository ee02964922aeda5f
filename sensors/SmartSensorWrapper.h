#pragma once

#include "sensors/KaldoSensorHID.h"

// The maker's smart sensor: the same HID text protocol in a device that names itself a
// smart sensor in its product string.
class SmartSensorWrapper : public KaldoSensorHID
{
    Q_OBJECT
public:
    explicit SmartSensorWrapper(QString request = QString());

    bool accepts(const HidDeviceInfo& device) const override;
    QString model() override;
};
