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
    // The number the program counts the port by, the one instruments are remembered with (a
    // COM port number); -1 for a port that has none.
    int number = -1;
};

// The serial ports of the machine that a display or an instrument may answer on. Thread-safe.
// Every enumerate() asks the system afresh, which is slow: a search over several ports takes
// one listing and probes what it lists.
class SerialPorts
{
public:
    virtual ~SerialPorts() = default;

    virtual QList<SerialPortInfo> enumerate() const = 0;
};
