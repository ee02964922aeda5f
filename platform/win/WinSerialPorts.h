#pragma once

#include "platform/SerialPorts.h"

// The COM ports of the device map, with the names the port class devices give them.
class WinSerialPorts : public SerialPorts
{
public:
    QList<SerialPortInfo> enumerate() const override;
};
