#pragma once

#include <QList>
#include <QString>

// One serial port as the system lists it.
struct SerialPortInfo
{
    // The short name ("COM3", "ttyUSB0").
    QString name;
    // What opens the port: a device path or the system's full port name.
    QString location;
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// The serial ports of the machine that a display or an instrument may answer on. Thread-safe.
class SerialPorts
{
public:
    virtual ~SerialPorts() = default;

    virtual QList<SerialPortInfo> enumerate() const = 0;
};
