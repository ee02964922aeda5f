#include "platform/linux/LinuxFilePermissions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kPrivateFile = 0600;
constexpr mode_t kSharedFile = 0660;
constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kSharedFolder = 03770;

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

int accessFlags(QIODevice::OpenMode mode)
{
    const bool read = mode & QIODevice::ReadOnly;
    const bool write = mode & (QIODevice::WriteOnly | QIODevice::Append);
    int flags = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    if (write && !(mode & QIODevice::ExistingOnly))
        flags |= O_CREAT;
    if (write && (mode & QIODevice::NewOnly))
        flags |= O_EXCL;
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    return flags;
}

// A file of another account is only acceptable where sharing is wanted, and only
// when it is already shared with a group of ours and not with everybody.
bool acceptOwner(const struct stat& st, FileSharing sharing, const QString& path, QString* error)
{
    if (st.st_uid == ::geteuid())
        return true;
    if (sharing == FileSharing::Private)
        return fail(error,
                    QStringLiteral("%1 belongs to another user (uid %2), refused").arg(path).arg(st.st_uid));
    if ((st.st_mode & S_IWOTH) != 0 && !(S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)))
        return fail(
            error,
            QStringLiteral("%1 of uid %2 is writable by every local user, refused").arg(path).arg(st.st_uid));
    return true;
}

} // namespace

bool LinuxFilePermissions::openFile(QFile& file, QIODevice::OpenMode mode, FileSharing sharing,
                                    QString* error) const
{
    const QString path = file.fileName();
    const mode_t wanted = sharing == FileSharing::Private ? kPrivateFile : kSharedFile;
    // O_NONBLOCK: a fifo planted under the name must not hang the open; cleared below.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          accessFlags(mode) | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, wanted);
    if (fd < 0) {
        if (errno == ELOOP)
            return fail(error, QStringLiteral("%1 is a symbolic link, refused").arg(path));
        return fail(error, QStringLiteral("cannot open %1: %2").arg(path, systemError()));
    }
    struct stat st = {};
    auto refuse = [&](const QString& text) {
        ::close(fd);
        return fail(error, text);
    };
    if (::fstat(fd, &st) != 0)
        return refuse(QStringLiteral("cannot inspect %1: %2").arg(path, systemError()));
    if (!S_ISREG(st.st_mode))
        return refuse(QStringLiteral("%1 is not a regular file, refused").arg(path));
    // A hard link made by someone else to a file they cannot write would hand us that file.
    if (st.st_nlink > 1)
        return refuse(QStringLiteral("%1 has %2 hard links, refused").arg(path).arg(st.st_nlink));
    if (!acceptOwner(st, sharing, path, error)) {
        ::close(fd);
        return false;
    }
    if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != wanted &&
        (accessFlags(mode) & O_ACCMODE) != O_RDONLY && ::fchmod(fd, wanted) != 0)
        return refuse(QStringLiteral("cannot set the mode of %1: %2").arg(path, systemError()));
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return refuse(QStringLiteral("cannot use %1: %2").arg(path, systemError()));
    if ((mode & QIODevice::Truncate) && ::ftruncate(fd, 0) != 0)
        return refuse(QStringLiteral("cannot truncate %1: %2").arg(path, systemError()));
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle))
        return refuse(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    return true;
}

bool LinuxFilePermissions::makeFolder(const QString& path, FileSharing sharing, QString* error) const
{
    const QString clean = QDir::cleanPath(path);
    const QString parent = QFileInfo(clean).absolutePath();
    if (parent != clean && !QFileInfo(parent).isDir() && !QDir().mkpath(parent))
        return fail(error, QStringLiteral("cannot create %1").arg(parent));
    const QByteArray name = QFile::encodeName(clean);
    const mode_t wanted = sharing == FileSharing::Private ? kPrivateFolder : kSharedFolder;
    if (::mkdir(name.constData(), wanted) != 0 && errno != EEXIST)
        return fail(error, QStringLiteral("cannot create %1: %2").arg(clean, systemError()));
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno == ELOOP || errno == ENOTDIR
                               ? QStringLiteral("%1 is not a folder (or is a link), refused").arg(clean)
                               : QStringLiteral("cannot open %1: %2").arg(clean, systemError()));
    struct stat st = {};
    bool ok = ::fstat(fd, &st) == 0 && acceptOwner(st, sharing, clean, error);
    // mkdir honours the umask, and an older folder may be wider than it should: the
    // owner narrows it on the handle.
    if (ok && st.st_uid == ::geteuid() && (st.st_mode & 07777) != wanted && ::fchmod(fd, wanted) != 0)
        ok = fail(error, QStringLiteral("cannot set the mode of %1: %2").arg(clean, systemError()));
    ::close(fd);
    return ok;
}

bool LinuxFilePermissions::checkPrivateFolder(const QString& path, QString* error) const
{
    const QByteArray name = QFile::encodeName(QDir::cleanPath(path));
    if (::mkdir(name.constData(), kPrivateFolder) != 0 && errno != EEXIST)
        return fail(error, QStringLiteral("cannot create %1: %2").arg(path, systemError()));
    struct stat st = {};
    if (::lstat(name.constData(), &st) != 0)
        return fail(error, QStringLiteral("cannot inspect %1: %2").arg(path, systemError()));
    if (!S_ISDIR(st.st_mode))
        return fail(error, QStringLiteral("%1 is not a folder (or is a link)").arg(path));
    if (st.st_uid != ::geteuid())
        return fail(error, QStringLiteral("%1 belongs to uid %2, not to this user (uid %3)")
                               .arg(path)
                               .arg(st.st_uid)
                               .arg(::geteuid()));
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return fail(error,
                    QStringLiteral("%1 has mode %2; other users may have put anything there (0700 expected)")
                        .arg(path)
                        .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0')));
    // Readable by others, but nobody else could put anything in: ours to close.
    if ((st.st_mode & 077) != 0) {
        const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const bool closed = fd >= 0 && ::fchmod(fd, kPrivateFolder) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!closed)
            return fail(error, QStringLiteral("cannot make %1 private: %2").arg(path, systemError()));
    }
    return true;
}
