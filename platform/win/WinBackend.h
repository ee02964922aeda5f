#pragma once

#include "platform/FilePermissions.h"
#include "platform/HidDevices.h"
#include "platform/LibraryMatroxBoards.h"
#include "platform/PlatformBackend.h"
#include "platform/ProcessList.h"
#include "platform/SessionIdentity.h"
#include "platform/SystemLog.h"
#include "platform/win/WinDDCBuses.h"
#include "platform/win/WinDisplayColorProfiles.h"
#include "platform/win/WinDisplayEnumeration.h"
#include "platform/win/WinGammaRamps.h"
#include "platform/win/WinScreenSaver.h"
#include "platform/win/WinSerialPorts.h"

// Process table from a Toolhelp snapshot.
class WinProcessList : public ProcessList
{
public:
    std::optional<QList<ProcessEntry>> snapshot() const override;
};

// Shared files get "Everyone: full control" through an explicit access entry on
// the DACL (the machine-wide folder of the suite is protected by its own ACL);
// private files keep the inherited ACL of the user's profile.
class WinFilePermissions : public FilePermissions
{
public:
    bool openFile(QFile& file, QIODevice::OpenMode mode, FileSharing sharing, QString* error) const override;
    bool makeFolder(const QString& path, FileSharing sharing, QString* error) const override;
    bool checkPrivateFolder(const QString& path, QString* error) const override;
    static bool setFullPermissions(const QString& path);
};

// The debugger output; the event log needs a registered source, which the installer does not make.
class WinSystemLog : public SystemLog
{
public:
    void warning(const QString& text) const override;
};

// The Windows session id of this process scopes per-session objects.
class WinSessionIdentity : public SessionIdentity
{
public:
    QString sessionScope() const override;
    QString computerName() const override;
    QString systemDataDirectory() const override;
    QString runtimeDirectory() const override;
};

// The real Windows workstation.
class WinBackend : public PlatformBackend
{
public:
    QString name() const override { return QStringLiteral("win"); }
    const ProcessList& processList() const override { return m_processes; }
    const FilePermissions& filePermissions() const override { return m_permissions; }
    const SessionIdentity& session() const override { return m_session; }
    std::unique_ptr<TerminationSignals> createTerminationSignals(QObject* parent) const override;
    const DisplayColorProfiles& displayColorProfiles() const override { return m_colorProfiles; }
    std::unique_ptr<SessionEvents> createSessionEvents(QObject* parent) const override;
    std::unique_ptr<GlobalHotKeys> createGlobalHotKeys(QObject* parent) const override;
    const GammaRamps& gammaRamps() const override { return m_gammaRamps; }
    const DisplayEnumeration& displayEnumeration() const override { return m_displays; }
    const MatroxBoards& matroxBoards() const override { return m_matroxBoards; }
    const DDCBuses& ddcBuses() const override { return m_ddcBuses; }
    // Sensors and USB display channels come through hidapi once it is built for Windows.
    const HidDevices& hidDevices() const override { return m_hidDevices; }
    const SystemLog& systemLog() const override { return m_systemLog; }
    const ScreenSaver& screenSaver() const override { return m_screenSaver; }
    const SerialPorts& serialPortEnumeration() const override { return m_serialPorts; }

private:
    WinProcessList m_processes;
    WinFilePermissions m_permissions;
    WinSessionIdentity m_session;
    WinSystemLog m_systemLog;
    WinDisplayColorProfiles m_colorProfiles;
    WinGammaRamps m_gammaRamps;
    WinDisplayEnumeration m_displays;
    LibraryMatroxBoards m_matroxBoards;
    WinDDCBuses m_ddcBuses;
    NoHidDevices m_hidDevices;
    WinScreenSaver m_screenSaver;
    WinSerialPorts m_serialPorts;
};
