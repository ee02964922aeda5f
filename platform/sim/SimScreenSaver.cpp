#include "platform/sim/SimScreenSaver.h"

#include "platform/sim/SimWorkstation.h"

bool SimScreenSaver::isRunning() const
{
    return m_workstation.screenSaver() != SimWorkstation::ScreenSaverState::Off;
}

bool SimScreenSaver::isSecure() const
{
    return m_workstation.screenSaver() == SimWorkstation::ScreenSaverState::Locked;
}

bool SimScreenSaver::stop() const
{
    return m_workstation.stopScreenSaver();
}

void SimScreenSaver::keepAwake() const
{
    m_workstation.keepAwake();
}
