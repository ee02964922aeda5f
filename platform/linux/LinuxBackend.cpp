#include "platform/linux/LinuxBackend.h"

#include "platform/linux/LinuxSessionEvents.h"
#include "platform/linux/LinuxTerminationSignals.h"
#include "platform/linux/X11GlobalHotKeys.h"

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
