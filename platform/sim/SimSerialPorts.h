#pragma once

#include "platform/SerialPorts.h"

#include <QMutex>

#include <map>
#include <memory>

class SimDDCBuses;
class SimSerialLine;
class SimWorkstation;

// The simulated workstation's serial ports: the top-level "serialPorts" map (port number to
// device, for instruments), and each connected display's "serialPort" object
// {"host": device, "line": device}, the two ends of a pseudo-terminal pair: the program talks
// on "host", and the display's monitor answers on "line".
class SimSerialPorts : public SerialPorts
{
public:
    SimSerialPorts(const SimWorkstation& workstation, const SimDDCBuses& buses);
    ~SimSerialPorts() override;

    // Also starts the display end of every display's line not served yet: whoever lists the
    // ports is about to talk on them.
    QList<SerialPortInfo> enumerate() const override;

private:
    const SimWorkstation& m_workstation;
    const SimDDCBuses& m_buses;
    mutable QMutex m_mutex;
    mutable std::map<QString, std::unique_ptr<SimSerialLine>> m_lines;
};
