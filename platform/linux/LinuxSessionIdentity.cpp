#include "platform/linux/LinuxSessionIdentity.h"

#include "platform/linux/LinuxFilePermissions.h"

#include <QDebug>
#include <QDir>
#include <QRegularExpression>
#include <QSysInfo>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString safeToken(const QString& text)
{
    QString safe;
    for (const QChar c : text)
        safe += (c.isLetterOrNumber() && c.unicode() < 128) ? c : QLatin1Char('_');
    return safe;
}

} // namespace

QString LinuxSessionIdentity::sessionScope() const
{
    QMutexLocker lock(&m_mutex);
    if (m_scope.isEmpty()) {
        const QString display = qEnvironmentVariable("DISPLAY");
        m_scope =
            scopeFor(::getuid(), qEnvironmentVariable("XDG_SESSION_ID"), display, xServerIdentity(display));
    }
    return m_scope;
}

QString LinuxSessionIdentity::scopeFor(unsigned uid, const QString& sessionId, const QString& display,
                                       const QString& xServerIdentity)
{
    QString scope = QStringLiteral("u%1").arg(uid);
    if (!sessionId.isEmpty())
        return scope + QStringLiteral("s") + safeToken(sessionId);
    if (display.isEmpty())
        return scope;
    scope += QStringLiteral("d") + safeToken(display);
    if (!xServerIdentity.isEmpty())
        scope += QStringLiteral("x") + safeToken(xServerIdentity);
    return scope;
}

QString LinuxSessionIdentity::xServerIdentity(const QString& display, const QString& socketDir)
{
    // ":N", ":N.S" and "unix:N" are local servers listening on socketDir/XN; a host name before
    // the colon (ssh forwarding uses "localhost:10") already tells the server apart.
    static const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const QRegularExpressionMatch match = local.match(display);
    if (!match.hasMatch())
        return {};
    struct stat info = {};
    const QByteArray socket = QFile::encodeName(socketDir + QStringLiteral("/X") + match.captured(1));
    if (::stat(socket.constData(), &info) != 0)
        return {};
    return QString::number(static_cast<qulonglong>(info.st_ino));
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
    // Asked for on every busy-lock probe: one variable, not a copy of the whole environment.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
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
