#include "platform/sim/SimSessionEvents.h"

#include "platform/TerminationSignals.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>

#include <algorithm>

namespace {

// The console display is on while any connected display is on; a dimmed one
// counts before an off one, as on a desktop with several monitors.
int consolePower(const QList<SimDisplay>& displays)
{
    const auto connectedWith = [&displays](SimDisplay::Power power) {
        return std::any_of(displays.begin(), displays.end(), [power](const SimDisplay& display) {
            return display.connected && display.power == power;
        });
    };
    if (connectedWith(SimDisplay::Power::On))
        return SessionEvents::PowerOn;
    if (connectedWith(SimDisplay::Power::Dimmed))
        return SessionEvents::PowerDimmed;
    return SessionEvents::PowerOff;
}

} // namespace

SimSessionEvents::SimSessionEvents(SimWorkstation* workstation,
                                   std::shared_ptr<TerminationSignals> termination, QObject* parent)
    : SessionEvents(parent), m_workstation(workstation), m_termination(std::move(termination))
{
    if (m_termination) {
        connect(m_termination.get(), &TerminationSignals::terminationRequested, this,
                [this](const QString& name) { Q_EMIT closeRequested(name); });
        connect(m_termination.get(), &TerminationSignals::hangupRequested, this,
                [this] { Q_EMIT closeRequested(QStringLiteral("SIGHUP")); });
    }
    if (!m_workstation) {
        qWarning() << "SimSessionEvents: no simulated workstation, no session events";
        return;
    }
    m_consolePower = consolePower(m_workstation->displays());
    connect(m_workstation, &SimWorkstation::sessionLockChanged, this,
            [this](bool locked) { Q_EMIT sessionChanged(locked ? SessionLock : SessionUnlock); });
    connect(m_workstation, &SimWorkstation::consoleConnectionChanged, this, [this](bool connected) {
        Q_EMIT sessionChanged(connected ? ConsoleConnect : ConsoleDisconnect);
    });
    connect(m_workstation, &SimWorkstation::displayPowerChanged, this, &SimSessionEvents::updateConsolePower);
    connect(m_workstation, &SimWorkstation::displayConnectionChanged, this,
            &SimSessionEvents::updateConsolePower);
    // A plug or unplug also reports a geometry change; one notification per change is enough.
    connect(m_workstation, &SimWorkstation::displayGeometryChanged, this,
            &SessionEvents::displayConfigurationChanged);
    // Suspend turns the console display off and resume turns it on, as the real session reports.
    connect(m_workstation, &SimWorkstation::prepareForSleep, this,
            [this](bool sleeping) { Q_EMIT displayPowerChanged(sleeping ? PowerOff : PowerOn); });
    connect(m_workstation, &SimWorkstation::sessionEnding, this, &SessionEvents::endSessionQueried);
    connect(m_workstation, &SimWorkstation::closeRequested, this,
            [this] { Q_EMIT closeRequested(QStringLiteral("session close")); });
}

SimSessionEvents::~SimSessionEvents() = default;

int SimSessionEvents::connectedDisplayCount() const
{
    if (!m_workstation)
        return -1;
    const QList<SimDisplay> displays = m_workstation->displays();
    return static_cast<int>(std::count_if(displays.begin(), displays.end(),
                                          [](const SimDisplay& display) { return display.connected; }));
}

void SimSessionEvents::updateConsolePower()
{
    if (!m_workstation)
        return;
    const int power = consolePower(m_workstation->displays());
    if (power == m_consolePower)
        return;
    m_consolePower = power;
    Q_EMIT displayPowerChanged(power);
}
