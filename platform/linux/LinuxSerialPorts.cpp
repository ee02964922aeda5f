#include "platform/linux/LinuxSerialPorts.h"

#include <QSerialPortInfo>

bool LinuxSerialPorts::isDisplayPortName(const QString& name)
{
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"}) {
        if (name.startsWith(QLatin1String(prefix)) && name.size() > static_cast<qsizetype>(qstrlen(prefix)))
            return true;
    }
    return false;
}

QList<SerialPortInfo> LinuxSerialPorts::enumerate() const
{
    // The serial info lists only ttyS* nodes that a driver really serves, not every legacy
    // 8250 slot the kernel reserves.
    QList<SerialPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!isDisplayPortName(info.portName()))
            continue;
        // Linux has no port numbers: a port's number is its place in this listing, which stays
        // put while the hardware does.
        const int number = static_cast<int>(ports.size());
        ports.append({info.portName(), info.systemLocation(), info.description(), info.manufacturer(),
                      info.serialNumber(), number});
    }
    return ports;
}
