#pragma once

#include "platform/LibraryMatroxBoards.h"
#include "platform/PlatformBackend.h"
#include "platform/linux/HidApiDevices.h"
#include "platform/linux/LinuxDDCBuses.h"
#include "platform/linux/LinuxDisplayColorProfiles.h"
#include "platform/linux/LinuxDisplayEnumeration.h"
#include "platform/linux/LinuxFilePermissions.h"
#include "platform/linux/LinuxGammaRamps.h"
#include "platform/linux/LinuxProcessList.h"
#include "platform/linux/LinuxScreenSaver.h"
#include "platform/linux/LinuxSerialPorts.h"
#include "platform/linux/LinuxSessionIdentity.h"
#include "platform/linux/LinuxSystemLog.h"

#include <QMutex>

// The real Linux workstation.
class LinuxBackend : public PlatformBackend
{
public:
    QString name() const override { return QStringLiteral("linux"); }
    const ProcessList& processList() const override { return m_processes; }
    const FilePermissions& filePermissions() const override { return m_permissions; }
    const SessionIdentity& session() const override { return m_session; }
    std::unique_ptr<TerminationSignals> createTerminationSignals(QObject* parent) const override;
    const DisplayColorProfiles& displayColorProfiles() const override { return m_colorProfiles; }
    std::unique_ptr<SessionEvents> createSessionEvents(QObject* parent) const override;
    std::unique_ptr<GlobalHotKeys> createGlobalHotKeys(QObject* parent) const override;

    // The one self-pipe signal handler of the process, shared by every session listener.
    std::shared_ptr<TerminationSignals> sharedTerminationSignals() const;
    const GammaRamps& gammaRamps() const override { return m_gammaRamps; }
    const DisplayEnumeration& displayEnumeration() const override { return m_displays; }
    const MatroxBoards& matroxBoards() const override { return m_matroxBoards; }
    const DDCBuses& ddcBuses() const override { return m_ddcBuses; }
    const SystemLog& systemLog() const override { return m_systemLog; }
    const HidDevices& hidDevices() const override { return m_hidDevices; }
    const ScreenSaver& screenSaver() const override { return m_screenSaver; }
    const SerialPorts& serialPortEnumeration() const override { return m_serialPorts; }

private:
    LinuxProcessList m_processes;
    LinuxFilePermissions m_permissions;
    LinuxSessionIdentity m_session;
    LinuxSystemLog m_systemLog;
    LinuxDisplayColorProfiles m_colorProfiles;
    mutable QMutex m_terminationMutex;
    mutable std::weak_ptr<TerminationSignals> m_termination;
    LinuxGammaRamps m_gammaRamps;
    LinuxDisplayEnumeration m_displays;
    LibraryMatroxBoards m_matroxBoards;
    LinuxDDCBuses m_ddcBuses;
    HidApiDevices m_hidDevices;
    LinuxScreenSaver m_screenSaver;
    LinuxSerialPorts m_serialPorts;
};
