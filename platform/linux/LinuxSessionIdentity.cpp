#include "platform/linux/LinuxSessionIdentity.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QSysInfo>

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

QString LinuxSessionIdentity::runtimeDirectory() const
{
    const QString runtime = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime;
    const QString fallback = QDir::tempPath() + QStringLiteral("/lutloader-") + QString::number(::getuid());
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return fallback;
}
