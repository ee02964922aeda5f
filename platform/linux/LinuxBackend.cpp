#include "platform/linux/LinuxBackend.h"

#include "platform/linux/LinuxSessionEvents.h"
#include "platform/linux/LinuxTerminationSignals.h"
#include "platform/linux/X11GlobalHotKeys.h"

#include <numeric>

std::unique_ptr<TerminationSignals> LinuxBackend::createTerminationSignals(QObject* parent) const
{
    return std::make_unique<LinuxTerminationSignals>(parent);
}

std::shared_ptr<TerminationSignals> LinuxBackend::sharedTerminationSignals() const
{
    QMutexLocker locker(&m_terminationMutex);
    std::shared_ptr<TerminationSignals> termination = m_termination.lock();
    if (!termination) {
        termination = createTerminationSignals(nullptr);
        m_termination = termination;
    }
    return termination;
}

std::unique_ptr<SessionEvents> LinuxBackend::createSessionEvents(QObject* parent) const
{
    return std::make_unique<LinuxSessionEvents>(LinuxSessionEvents::Sources(), sharedTerminationSignals(),
                                                parent);
}

std::unique_ptr<GlobalHotKeys> LinuxBackend::createGlobalHotKeys(QObject* parent) const
{
    return std::make_unique<X11GlobalHotKeys>(parent);
}

// Linux has no port numbers: an instrument's port is its place in the listing of the serial
// ports that a driver serves, which stays put while the hardware does.
std::vector<int> LinuxBackend::serialPorts() const
{
    std::vector<int> indices(static_cast<std::size_t>(m_serialPorts.enumerate().size()));
    std::iota(indices.begin(), indices.end(), 0);
    return indices;
}

QString LinuxBackend::serialPortName(int index) const
{
    const QList<SerialPortInfo> ports = m_serialPorts.enumerate();
    return index >= 0 && index < ports.size() ? ports.at(index).location : QString();
}
