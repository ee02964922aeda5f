#pragma once

#include "platform/DDCBuses.h"

class SimMccsMonitor;
class SimWorkstation;

// The simulated displays' DDC buses. A display whose entry has a "ddc" object carries a
// simulated MCCS monitor (SimMccsMonitor); on any other display's bus nothing answers.
class SimDDCBuses : public DDCBuses
{
public:
    SimDDCBuses(const SimWorkstation& workstation, QString stateDirectory);

    std::unique_ptr<DDCBus> open(const QString& output, QString* error) const override;
    // The same monitor reached through its USB port (WIDE displays); null when it has none.
    std::unique_ptr<DDCBus> openUsb(const QString& output, QString* error) const;
    // The same monitor at the end of its serial line; null when the display has no "serialPort".
    std::unique_ptr<SimMccsMonitor> openSerial(const QString& output, QString* error) const;
    // Where the monitor of `output` keeps its settings and LUT.
    QString stateFile(const QString& output) const;

private:
    const SimWorkstation& m_workstation;
    const QString m_stateDirectory;
};
