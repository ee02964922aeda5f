#include "platform/sim/SimBackend.h"

#include "platform/TerminationSignals.h"
#include "platform/sim/SimWorkstation.h"

SimBackend::SimBackend(std::unique_ptr<PlatformBackend> host, std::unique_ptr<SimWorkstation> workstation)
    : m_host(std::move(host)), m_workstation(std::move(workstation))
{
}

SimBackend::~SimBackend() = default;

const ProcessList& SimBackend::processList() const
{
    return m_host->processList();
}

const FilePermissions& SimBackend::filePermissions() const
{
    return m_host->filePermissions();
}

const SessionIdentity& SimBackend::session() const
{
    return m_host->session();
}

std::unique_ptr<TerminationSignals> SimBackend::createTerminationSignals(QObject* parent) const
{
    return m_host->createTerminationSignals(parent);
}
