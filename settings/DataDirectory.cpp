#include "settings/DataDirectory.h"

#include "platform/OSUtils.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>

namespace {

bool isWritableFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
}

// The fallback is chosen on every call, but said once: an administrator reading the
// log must learn that this user's data is not in the shared folder.
void logFallbackOnce(const QString& system, const QString& fallback)
{
    static std::atomic_bool logged = false;
    if (logged.exchange(true))
        return;
    qWarning().noquote() << "DataDirectory::path: the shared data folder" << system
                         << "is missing or not writable for this user; using" << fallback
                         << "(run scripts/install-system.sh as root to create the shared folder)";
}

} // namespace

QString DataDirectory::path()
{
    const QString overridden = qEnvironmentVariable("LUTLOADER_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    const QString system = Platform::backend().session().systemDataDirectory();
    if (!system.isEmpty() && isWritableFolder(system))
        return QDir::cleanPath(system);
    const QString fallback = QDir::cleanPath(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/lutloader"));
    logFallbackOnce(system, fallback);
    return fallback;
}

bool DataDirectory::ensureExists(QString* error)
{
    const QString folder = path();
    if (OSUtils::makeFolder(folder))
        return true;
    if (error)
        *error = QStringLiteral("cannot create the data directory %1").arg(folder);
    return false;
}

QString DataDirectory::settingsFile(const QString& application)
{
    return path() + QLatin1Char('/') + application + QStringLiteral(".ini");
}
