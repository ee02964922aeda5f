#include "settings/QSettingsWithSharing.h"

#include "platform/OSUtils.h"
#include "settings/DataDirectory.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace {

// Writers of other processes are kept out for this long at most; after that the
// write goes ahead unguarded rather than hang the agent.
constexpr int WRITER_LOCK_WAIT_MS = 10000;

// A lock file that another machine left names a process this one cannot see; the
// data folder is local, so nothing there can still be writing.
bool removeForeignLock(QLockFile& lock)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application) || host.isEmpty() || host == QSysInfo::machineHostName())
        return false;
    qWarning().noquote() << "QSettingsWithSharing: removing the lock of process" << pid << "on host" << host;
    return lock.removeStaleLockFile();
}

} // namespace

QSettingsWithSharing::QSettingsWithSharing(QSettings::Format format, QSettings::Scope scope,
                                           const QString& organization, const QString& application)
    : m_format(format), m_scope(scope), m_organization(organization), m_application(application),
      m_fileName(resolveFileName(format, scope, organization, application))
{
    if (m_application.isEmpty() || m_fileName.isEmpty()) {
        qWarning() << "QSettingsWithSharing: no application name, the settings file is not opened";
        return;
    }
    if (!QDir().mkpath(QFileInfo(m_fileName).absolutePath())) {
        qWarning().noquote() << "QSettingsWithSharing: cannot create the folder of" << m_fileName;
        return;
    }
    // A planted link or someone else's private file is never read or written.
    if (QFileInfo::exists(m_fileName) || QFileInfo(m_fileName).isSymLink()) {
        QFile check(m_fileName);
        if (!OSUtils::openFile(check, QIODevice::ReadOnly)) {
            qWarning().noquote() << "QSettingsWithSharing: the settings file" << m_fileName << "is refused";
            return;
        }
    }
    m_settings = std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
    if (m_settings->status() == QSettings::FormatError && keepMalformedAside())
        m_settings = std::make_unique<QSettings>(m_fileName, QSettings::IniFormat);
}

QSettingsWithSharing::~QSettingsWithSharing() = default;

QString QSettingsWithSharing::resolveFileName(QSettings::Format format, QSettings::Scope scope,
                                              const QString& organization, const QString& application)
{
    if (application.isEmpty())
        return {};
    if (scope == QSettings::SystemScope)
        return DataDirectory::settingsFile(application);
    // A throw-away object tells where the toolkit keeps a user-scope file.
    return QSettings(format == QSettings::NativeFormat ? QSettings::IniFormat : format, scope, organization,
                     application)
        .fileName();
}

bool QSettingsWithSharing::setValue(const QString& key, const QVariant& value)
{
    if (!m_settings) {
        qWarning() << "QSettingsWithSharing settings not exists";
        return false;
    }
    return modify([&](QSettings& file) { file.setValue(key, value); });
}

QVariant QSettingsWithSharing::value(const QString& key, const QVariant& defaultValue) const
{
    if (!m_settings)
        return {};
    // Picks up what the other process wrote since this object was made.
    m_settings->sync();
    return m_settings->value(key, defaultValue);
}

bool QSettingsWithSharing::remove(const QString& key)
{
    if (!m_settings) {
        qWarning() << "QSettingsWithSharing settings not exists";
        return false;
    }
    return modify([&](QSettings& file) { file.remove(key); });
}

bool QSettingsWithSharing::keepMalformedAside()
{
    const QString aside = m_fileName + QStringLiteral(".malformed-") +
                          QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (!QFile::rename(m_fileName, aside)) {
        qWarning().noquote() << "QSettingsWithSharing:" << m_fileName
                             << "cannot be parsed and cannot be moved aside; it is not written";
        return false;
    }
    qWarning().noquote() << "QSettingsWithSharing:" << m_fileName << "could not be parsed; kept as" << aside
                         << "and started afresh";
    return true;
}

QStringList QSettingsWithSharing::allKeys() const
{
    if (!m_settings)
        return {};
    m_settings->sync();
    return m_settings->allKeys();
}

// The toolkit's own merge of concurrent writers reads the file outside its lock
// and can take stale contents for current ones, overwriting another process's
// value. So every change is made on a private copy read fresh from disk, under
// the same lock file the toolkit uses (so a main application writing through
// plain QSettings waits too), and the result replaces the file in one rename.
bool QSettingsWithSharing::modify(const std::function<void(QSettings&)>& change)
{
    QLockFile writers(m_fileName + QStringLiteral(".lock"));
    // Waiting helps only against another writer, not against a folder we may not write.
    if (!writers.tryLock(0) && writers.error() != QLockFile::PermissionError &&
        !(removeForeignLock(writers) && writers.tryLock(0)) && !writers.tryLock(WRITER_LOCK_WAIT_MS))
        qWarning().noquote() << "QSettingsWithSharing: no writer lock on" << m_fileName
                             << "- writing unguarded";

    // The toolkit refuses to write over a file it cannot parse, so such a file
    // would swallow every later value.
    if (QFileInfo::exists(m_fileName) &&
        QSettings(m_fileName, QSettings::IniFormat).status() == QSettings::FormatError &&
        !keepMalformedAside())
        return false;

    QTemporaryFile copy(m_fileName + QStringLiteral(".XXXXXX"));
    QFile current(m_fileName);
    if (!copy.open()) {
        qWarning().noquote() << "QSettingsWithSharing: cannot write next to" << m_fileName << "-"
                             << copy.errorString();
        return false;
    }
    if (QFileInfo::exists(m_fileName) &&
        (!OSUtils::openFile(current, QIODevice::ReadOnly) || copy.write(current.readAll()) < 0)) {
        qWarning().noquote() << "QSettingsWithSharing: cannot copy" << m_fileName << "for writing";
        return false;
    }
    copy.close();
    {
        QSettings edited(copy.fileName(), QSettings::IniFormat);
        change(edited);
        edited.sync();
        if (edited.status() != QSettings::NoError) {
            qWarning().noquote() << "QSettingsWithSharing: writing" << m_fileName << "failed, status"
                                 << edited.status();
            return false;
        }
    }
    if (!replaceWith(copy.fileName()))
        return false;
    m_settings->sync();
    return true;
}

bool QSettingsWithSharing::replaceWith(const QString& edited)
{
    // The edited copy is already on disk in full (the toolkit flushed it), so a
    // rename over the file is the one atomic step; readers see old or new, never half.
    // Given its final mode before it becomes the file, on the handle, so the group
    // of a shared folder never finds it closed and nobody else finds it open.
    {
        QFile copy(edited);
        if (!OSUtils::openFile(copy, QIODevice::ReadWrite | QIODevice::ExistingOnly))
            return false;
    }
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(edited.toStdU16String()),
                            std::filesystem::path(m_fileName.toStdU16String()), error);
    if (!error)
        return true;
    // A file system that will not rename over an open file still gets the value, copied in.
    qDebug().noquote() << "QSettingsWithSharing: rename over" << m_fileName << "failed ("
                       << QString::fromStdString(error.message()) << "), copying instead";
    // In a sticky shared folder another account's file cannot be renamed over, but
    // the group may still write it in place.
    QFile source(edited);
    QFile target(m_fileName);
    const bool written = source.open(QIODevice::ReadOnly) &&
                         OSUtils::openFile(target, QIODevice::WriteOnly | QIODevice::Truncate) &&
                         target.write(source.readAll()) >= 0 && target.flush();
    source.close();
    QFile::remove(edited);
    if (!written) {
        qWarning().noquote() << "QSettingsWithSharing: cannot replace" << m_fileName << "-"
                             << target.errorString();
        return false;
    }
    return true;
}
