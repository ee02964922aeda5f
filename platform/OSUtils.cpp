#include "platform/OSUtils.h"

#include "platform/FilePermissions.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"
#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include "platform/linux/X11Dpms.h"
#endif

FileSharing OSUtils::sharingOf(const QString& path)
{
    const QString shared = Platform::backend().session().systemDataDirectory();
    if (shared.isEmpty())
        return FileSharing::Private;
    const QString folder = QDir::cleanPath(shared);
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return clean == folder || clean.startsWith(folder + QLatin1Char('/')) ? FileSharing::Shared
                                                                          : FileSharing::Private;
}

bool OSUtils::openFile(QFile& file, QIODevice::OpenMode mode, QString* error)
{
    QString reason;
    if (Platform::backend().filePermissions().openFile(file, mode, sharingOf(file.fileName()), &reason))
        return true;
    qWarning().noquote() << "OSUtils::openFile:" << reason;
    if (error)
        *error = reason;
    return false;
}

bool OSUtils::prepareFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!openFile(file, QIODevice::ReadWrite, error))
        return false;
    file.close();
    return true;
}

bool OSUtils::makeFolder(const QString& path, QString* error)
{
    QString reason;
    if (Platform::backend().filePermissions().makeFolder(path, sharingOf(path), &reason))
        return true;
    qWarning().noquote() << "OSUtils::makeFolder:" << reason;
    if (error)
        *error = reason;
    return false;
}

QString OSUtils::computerName()
{
    return Platform::backend().session().computerName();
}

namespace {

#ifdef Q_OS_WIN
// The system's own monitor power message: -1 wakes the monitors, 2 switches them off. Sent with
// a time-out so a hung top-level window cannot stall the caller.
bool broadcastMonitorPower(bool on)
{
    DWORD_PTR result = 0;
    const LRESULT sent = SendMessageTimeoutW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER,
                                             on ? static_cast<LPARAM>(-1) : static_cast<LPARAM>(2),
                                             SMTO_ABORTIFHUNG, 1000, &result);
    if (sent == 0)
        qDebug() << "OSUtils: SC_MONITORPOWER failed, error" << GetLastError();
    return sent != 0;
}
#endif

bool setAllMonitorsPower(const char* state)
{
    SimWorkstation* workstation = Platform::workstation();
#ifdef Q_OS_WIN
    if (!workstation)
        return broadcastMonitorPower(qstrcmp(state, "on") == 0);
#else
    if (!workstation && Platform::backend().name() == QLatin1String("linux")) {
        QString error;
        const bool done = X11Dpms::force(qstrcmp(state, "on") == 0, &error);
        qDebug() << "OSUtils: DPMS monitors" << state << (done ? QStringLiteral("done") : error);
        return done;
    }
#endif
    if (!workstation) {
        qDebug() << "OSUtils: switching all monitors" << state << "is not available on"
                 << Platform::backend().name();
        return false;
    }
    const QJsonObject answer = workstation->apply(
        {{QStringLiteral("cmd"), QStringLiteral("power")}, {QStringLiteral("state"), QLatin1String(state)}});
    return answer.value(QStringLiteral("ok")).toBool();
}

} // namespace

bool OSUtils::turnondisplay()
{
    return setAllMonitorsPower("on");
}

bool OSUtils::turnoffdisplay()
{
    return setAllMonitorsPower("off");
}
