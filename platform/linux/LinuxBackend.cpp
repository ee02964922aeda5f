#include "platform/linux/LinuxBackend.h"

#include "platform/linux/LinuxTerminationSignals.h"

std::unique_ptr<TerminationSignals> LinuxBackend::createTerminationSignals(QObject* parent) const
{
    return std::make_unique<LinuxTerminationSignals>(parent);
}
