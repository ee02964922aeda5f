#include "platform/linux/LinuxFilePermissions.h"

#include <QFile>
#include <QFileInfo>

bool LinuxFilePermissions::setFullPermissions(const QString& path) const
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                           QFileDevice::ReadOther | QFileDevice::WriteOther;
    if (info.isDir())
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    // Only the owner may change the mode; another user's file that is already shared is fine.
    if ((info.permissions() & permissions) == permissions)
        return true;
    return QFile::setPermissions(path, info.permissions() | permissions);
}
