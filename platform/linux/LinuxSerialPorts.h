#pragma once

#include "platform/SerialPorts.h"

// The machine's UARTs, USB serial adapters and USB modems (ttyS*, ttyUSB*, ttyACM*). Virtual
// terminals and pseudo-terminals are not ports a display answers on.
class LinuxSerialPorts : public SerialPorts
{
public:
    QList<SerialPortInfo> enumerate() const override;

    static bool isDisplayPortName(const QString& name);
};
