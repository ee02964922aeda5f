#pragma once

#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class SimMccsMonitor;

// The display end of a simulated display's serial line (one side of a pseudo-terminal pair):
// whole DDC/CI packages from the host go to the display's monitor, and its reply goes back on
// the line as the display would send it. Runs until destroyed.
class SimSerialLine : public QThread
{
public:
    SimSerialLine(QString device, std::unique_ptr<SimMccsMonitor> monitor);
    ~SimSerialLine() override;

    int packagesServed() const { return m_packages.load(); }

protected:
    void run() override;

private:
    const QString m_device;
    std::unique_ptr<SimMccsMonitor> m_monitor;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_packages{0};
};
