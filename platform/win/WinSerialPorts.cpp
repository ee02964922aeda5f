#include "platform/win/WinSerialPorts.h"

#include <QSerialPortInfo>

// The serial info walks the Ports device class (SetupDiGetClassDevs, the "PortName" value of
// each device key) and HARDWARE\DEVICEMAP\SERIALCOMM for ports no device class lists.
QList<SerialPortInfo> WinSerialPorts::enumerate() const
{
    QList<SerialPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.portName().startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        bool numbered = false;
        const int number = info.portName().mid(3).toInt(&numbered);
        ports.append({info.portName(), info.systemLocation(), info.description(), info.manufacturer(),
                      info.serialNumber(), numbered && number >= 0 ? number : -1});
    }
    return ports;
}
