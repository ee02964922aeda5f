#pragma once

#include "platform/PlatformBackend.h"

#include <QMutex>

class SimDDCBuses;
class SimDisplayColorProfiles;
class SimGammaRamps;
class SimHidDevices;
class SimDisplayEnumeration;
class SimMatroxBoards;
class SimScreenSaver;
class SimSerialPorts;
class SimWorkstation;

// The simulated workstation. Hardware (displays, cards, session events) comes from
// the workstation model; host services that are not hardware (process table, file
// permissions, session identity) are the real host's, so busy locks and files
// behave as in production.
class SimBackend : public PlatformBackend
{
public:
    SimBackend(std::unique_ptr<PlatformBackend> host, std::unique_ptr<SimWorkstation> workstation);
    ~SimBackend() override;

    QString name() const override { return QStringLiteral("sim"); }
    const ProcessList& processList() const override;
    const FilePermissions& filePermissions() const override;
    const SessionIdentity& session() const override;
    std::unique_ptr<TerminationSignals> createTerminationSignals(QObject* parent) const override;
    const DisplayColorProfiles& displayColorProfiles() const override;
    std::unique_ptr<SessionEvents> createSessionEvents(QObject* parent) const override;
    std::unique_ptr<GlobalHotKeys> createGlobalHotKeys(QObject* parent) const override;
    const GammaRamps& gammaRamps() const override;
    const DisplayEnumeration& displayEnumeration() const override;
    const MatroxBoards& matroxBoards() const override;
    const DDCBuses& ddcBuses() const override;
    const SystemLog& systemLog() const override;
    const HidDevices& hidDevices() const override;
    const ScreenSaver& screenSaver() const override;
    // The workstation's "serialPorts" object maps port numbers to devices (a pty of a test).
    const SerialPorts& serialPortEnumeration() const override;

    SimWorkstation& workstation() const { return *m_workstation; }

private:
    std::unique_ptr<PlatformBackend> m_host;
    std::unique_ptr<SimWorkstation> m_workstation;
    std::unique_ptr<SimDisplayColorProfiles> m_colorProfiles;
    // The host's termination signals, shared by every session listener of the process.
    mutable QMutex m_terminationMutex;
    mutable std::weak_ptr<TerminationSignals> m_termination;
    std::unique_ptr<SimGammaRamps> m_gammaRamps;
    std::unique_ptr<SimDisplayEnumeration> m_displays;
    std::unique_ptr<SimMatroxBoards> m_matroxBoards;
    std::unique_ptr<SimDDCBuses> m_ddcBuses;
    std::unique_ptr<SimHidDevices> m_hidDevices;
    std::unique_ptr<SimScreenSaver> m_screenSaver;
    // Last: it serves displays' lines from the buses above until it is gone.
    std::unique_ptr<SimSerialPorts> m_serialPorts;
};
