#pragma once

#include "platform/SessionEvents.h"

#include <QPointer>

#include <memory>

class SimWorkstation;
class TerminationSignals;

// Session notifications of the simulated workstation: its control commands (lock,
// power, plug, logoff ...) become the same events a real session raises, and the
// host's termination signals become close requests.
class SimSessionEvents : public SessionEvents
{
    Q_OBJECT
public:
    SimSessionEvents(SimWorkstation* workstation, std::shared_ptr<TerminationSignals> termination,
                     QObject* parent = nullptr);
    ~SimSessionEvents() override;

    int connectedDisplayCount() const override;

private:
    void updateConsolePower();

    QPointer<SimWorkstation> m_workstation;
    std::shared_ptr<TerminationSignals> m_termination;
    int m_consolePower = PowerOn;
};
