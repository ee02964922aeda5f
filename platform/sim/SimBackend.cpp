#include "platform/sim/SimBackend.h"

#include "platform/SessionIdentity.h"
#include "platform/TerminationSignals.h"
#include "platform/sim/SimDDCBuses.h"
#include "platform/sim/SimDisplayColorProfiles.h"
#include "platform/sim/SimDisplayEnumeration.h"
#include "platform/sim/SimGammaRamps.h"
#include "platform/sim/SimGlobalHotKeys.h"
#include "platform/sim/SimHidDevices.h"
#include "platform/sim/SimMatroxBoards.h"
#include "platform/sim/SimScreenSaver.h"
#include "platform/sim/SimSerialPorts.h"
#include "platform/sim/SimSessionEvents.h"
#include "platform/sim/SimWorkstation.h"

SimBackend::SimBackend(std::unique_ptr<PlatformBackend> host, std::unique_ptr<SimWorkstation> workstation)
    : m_host(std::move(host)), m_workstation(std::move(workstation)),
      // The simulated colour folder lives with the session, so no run touches the user's real profiles.
      m_colorProfiles(std::make_unique<SimDisplayColorProfiles>(
          *m_workstation, m_host->session().runtimeDirectory() + QStringLiteral("/sim-icc"))),
      // Ramps stay in the session, like a real card's, so the agent and lutloaderctl share them.
      m_gammaRamps(std::make_unique<SimGammaRamps>(*m_workstation, m_host->session().runtimeDirectory() +
                                                                       QStringLiteral("/sim-gamma"))),
      m_displays(std::make_unique<SimDisplayEnumeration>(*m_workstation)),
      m_matroxBoards(std::make_unique<SimMatroxBoards>(*m_workstation)),
      // Monitor settings and internal LUTs stay in the session, like a real monitor's.
      m_ddcBuses(std::make_unique<SimDDCBuses>(*m_workstation, m_host->session().runtimeDirectory() +
                                                                   QStringLiteral("/sim-ddc"))),
      m_hidDevices(std::make_unique<SimHidDevices>(*m_workstation, *m_gammaRamps)),
      m_screenSaver(std::make_unique<SimScreenSaver>(*m_workstation)),
      m_serialPorts(std::make_unique<SimSerialPorts>(*m_workstation, *m_ddcBuses))
{
    m_hidDevices->setDisplayBuses(m_ddcBuses.get());
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

const SystemLog& SimBackend::systemLog() const
{
    return m_host->systemLog();
}

const SessionIdentity& SimBackend::session() const
{
    return m_host->session();
}

std::unique_ptr<TerminationSignals> SimBackend::createTerminationSignals(QObject* parent) const
{
    return m_host->createTerminationSignals(parent);
}

const DisplayColorProfiles& SimBackend::displayColorProfiles() const
{
    return *m_colorProfiles;
}

std::unique_ptr<SessionEvents> SimBackend::createSessionEvents(QObject* parent) const
{
    std::shared_ptr<TerminationSignals> termination;
    {
        QMutexLocker locker(&m_terminationMutex);
        termination = m_termination.lock();
        if (!termination) {
            termination = m_host->createTerminationSignals(nullptr);
            m_termination = termination;
        }
    }
    return std::make_unique<SimSessionEvents>(m_workstation.get(), std::move(termination), parent);
}

const GammaRamps& SimBackend::gammaRamps() const
{
    return *m_gammaRamps;
}

const DisplayEnumeration& SimBackend::displayEnumeration() const
{
    return *m_displays;
}

const MatroxBoards& SimBackend::matroxBoards() const
{
    return *m_matroxBoards;
}

std::unique_ptr<GlobalHotKeys> SimBackend::createGlobalHotKeys(QObject* parent) const
{
    return std::make_unique<SimGlobalHotKeys>(m_workstation.get(), parent);
}

const ScreenSaver& SimBackend::screenSaver() const
{
    return *m_screenSaver;
}

const DDCBuses& SimBackend::ddcBuses() const
{
    return *m_ddcBuses;
}

const SerialPorts& SimBackend::serialPortEnumeration() const
{
    return *m_serialPorts;
}

const HidDevices& SimBackend::hidDevices() const
{
    return *m_hidDevices;
}
