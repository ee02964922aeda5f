#include "settings/DataDirectory.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/SessionIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool isWritableFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
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
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/lutloader"));
}

bool DataDirectory::ensureExists(QString* error)
{
    const QString folder = path();
    if (QDir().mkpath(folder))
        return true;
    if (error)
        *error = QStringLiteral("cannot create the data directory %1").arg(folder);
    return false;
}
