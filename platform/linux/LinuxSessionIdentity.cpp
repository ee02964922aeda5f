#include "platform/linux/LinuxSessionIdentity.h"

#include "platform/linux/LinuxFilePermissions.h"

#include <QDebug>
#include <QDir>
#include <QProcessEnvironment>
#include <QSysInfo>

#include <atomic>
#include <unistd.h>

QString LinuxSessionIdentity::sessionScope() const
{
    QString scope = QStringLiteral("u%1").arg(::getuid());
    const QString session = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_SESSION_ID"));
    if (!session.isEmpty()) {
        QString safe;
        for (const QChar c : session)
            safe += c.isLetterOrNumber() ? c : QLatin1Char('_');
        scope += QStringLiteral("s") + safe;
    }
    return scope;
}

QString LinuxSessionIdentity::computerName() const
{
    return QSysInfo::machineHostName();
}

QString LinuxSessionIdentity::systemDataDirectory() const
{
    return QStringLiteral("/var/lib/lutloader");
}

QString LinuxSessionIdentity::candidateRuntimeDirectory()
{
    const QString runtime = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir::cleanPath(runtime);
    // In a shared temporary folder the name can be taken first by anyone; the check
    // of owner and mode below is what makes it ours.
    return QDir::tempPath() + QStringLiteral("/lutloader-") + QString::number(::getuid());
}

QString LinuxSessionIdentity::runtimeDirectory() const
{
    QString error;
    if (!checkRuntimeDirectory(&error)) {
        static std::atomic_bool logged = false;
        if (!logged.exchange(true))
            qWarning().noquote() << "LinuxSessionIdentity: the runtime folder is refused:" << error;
        return {};
    }
    return candidateRuntimeDirectory();
}

bool LinuxSessionIdentity::checkRuntimeDirectory(QString* error) const
{
    return LinuxFilePermissions().checkPrivateFolder(candidateRuntimeDirectory(), error);
}
