#include "platform/win/WinBackend.h"

#include "platform/TerminationSignals.h"
#include "platform/win/WinGlobalHotKeys.h"
#include "platform/win/WinSessionEvents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <aclapi.h>
#include <tlhelp32.h>
#include <windows.h>

std::optional<QList<ProcessEntry>> WinProcessList::snapshot() const
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return std::nullopt;
    QList<ProcessEntry> processes;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes.append(
            {static_cast<qint64>(entry.th32ProcessID), QString::fromWCharArray(entry.szExeFile)});
    CloseHandle(snapshot);
    return processes;
}

bool WinFilePermissions::openFile(QFile& file, QIODevice::OpenMode mode, FileSharing sharing,
                                  QString* error) const
{
    if (QFileInfo(file.fileName()).isSymLink()) {
        if (error)
            *error = file.fileName() + QStringLiteral(" is a link, refused");
        return false;
    }
    if (!file.open(mode)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (sharing == FileSharing::Shared)
        setFullPermissions(file.fileName());
    return true;
}

bool WinFilePermissions::makeFolder(const QString& path, FileSharing sharing, QString* error) const
{
    if (!QDir().mkpath(path)) {
        if (error)
            *error = QStringLiteral("cannot create ") + path;
        return false;
    }
    if (sharing == FileSharing::Shared)
        setFullPermissions(path);
    return true;
}

bool WinFilePermissions::checkPrivateFolder(const QString& path, QString* error) const
{
    return makeFolder(path, FileSharing::Private, error);
}

bool WinFilePermissions::setFullPermissions(const QString& path)
{
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    bool ok = SetEntriesInAclW(1, &access, nullptr, &acl) == ERROR_SUCCESS;
    if (ok) {
        std::wstring name = QDir::toNativeSeparators(path).toStdWString();
        ok = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   acl, nullptr) == ERROR_SUCCESS;
    }
    if (acl)
        LocalFree(acl);
    FreeSid(everyone);
    return ok;
}

void WinSystemLog::warning(const QString& text) const
{
    const std::wstring line = (QStringLiteral("lutloader: ") + text).toStdWString();
    OutputDebugStringW(line.c_str());
}

QString WinSessionIdentity::sessionScope() const
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral("s%1").arg(session);
}

QString WinSessionIdentity::computerName() const
{
    return QSysInfo::machineHostName();
}

QString WinSessionIdentity::systemDataDirectory() const
{
    return QDir::fromNativeSeparators(qEnvironmentVariable("ProgramData")) + QStringLiteral("/LUTLoader");
}

QString WinSessionIdentity::runtimeDirectory() const
{
    return QDir::tempPath();
}

namespace {

// Console control events (Ctrl-C, close, log-off) arrive on a system thread; a
// queued invocation carries them to the object's thread.
TerminationSignals* g_signals = nullptr;

BOOL WINAPI onConsoleEvent(DWORD type)
{
    if (!g_signals)
        return FALSE;
    const QString name = type == CTRL_C_EVENT ? QStringLiteral("CTRL_C") : QStringLiteral("CTRL_CLOSE");
    QMetaObject::invokeMethod(
        g_signals, [name] { Q_EMIT g_signals->terminationRequested(name); }, Qt::QueuedConnection);
    return TRUE;
}

class WinTerminationSignals : public TerminationSignals
{
public:
    explicit WinTerminationSignals(QObject* parent) : TerminationSignals(parent)
    {
        g_signals = this;
        SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    }
    ~WinTerminationSignals() override
    {
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
        g_signals = nullptr;
    }
};

} // namespace

std::unique_ptr<TerminationSignals> WinBackend::createTerminationSignals(QObject* parent) const
{
    return std::make_unique<WinTerminationSignals>(parent);
}

std::unique_ptr<SessionEvents> WinBackend::createSessionEvents(QObject* parent) const
{
    return std::make_unique<WinSessionEvents>(parent);
}

std::unique_ptr<GlobalHotKeys> WinBackend::createGlobalHotKeys(QObject* parent) const
{
    return std::make_unique<WinGlobalHotKeys>(parent);
}
