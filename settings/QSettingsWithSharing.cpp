#include "settings/QSettingsWithSharing.h"

#include "platform/OSUtils.h"
#include "settings/DataDirectory.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace {

// Writers of other processes are kept out for this long at most; after that the
// write goes ahead unguarded rather than hang the agent.
constexpr int WRITER_LOCK_WAIT_MS = 10000;

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
    // A file created by another account must become ours to write before we open it.
    OSUtils::setFullPermissions(m_fileName);
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

void QSettingsWithSharing::setValue(const QString& key, const QVariant& value)
{
    if (!m_settings) {
        qWarning() << "QSettingsWithSharing settings not exists";
        return;
    }
    modify([&](QSettings& file) { file.setValue(key, value); });
}

QVariant QSettingsWithSharing::value(const QString& key, const QVariant& defaultValue) const
{
    if (!m_settings)
        return {};
    // Picks up what the other process wrote since this object was made.
    m_settings->sync();
    return m_settings->value(key, defaultValue);
}

void QSettingsWithSharing::remove(const QString& key)
{
    if (!m_settings) {
        qWarning() << "QSettingsWithSharing settings not exists";
        return;
    }
    modify([&](QSettings& file) { file.remove(key); });
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
    if (!writers.tryLock(WRITER_LOCK_WAIT_MS))
        qWarning().noquote() << "QSettingsWithSharing: no writer lock on" << m_fileName
                             << "- writing unguarded";

    QTemporaryFile copy(m_fileName + QStringLiteral(".XXXXXX"));
    QFile current(m_fileName);
    if (!copy.open() ||
        (current.exists() && (!current.open(QIODevice::ReadOnly) || copy.write(current.readAll()) < 0))) {
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
    // A file just created belongs to this account alone; a failure here is not
    // reported, the value is stored either way.
    OSUtils::setFullPermissions(m_fileName);
    m_settings->sync();
    return true;
}

bool QSettingsWithSharing::replaceWith(const QString& edited)
{
    // The edited copy is already on disk in full (the toolkit flushed it), so a
    // rename over the file is the one atomic step; readers see old or new, never half.
    // Opened up before it becomes the file, so no other account ever finds it closed.
    OSUtils::setFullPermissions(edited);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(edited.toStdU16String()),
                            std::filesystem::path(m_fileName.toStdU16String()), error);
    if (!error)
        return true;
    // A file system that will not rename over an open file still gets the value, copied in.
    qDebug().noquote() << "QSettingsWithSharing: rename over" << m_fileName << "failed ("
                       << QString::fromStdString(error.message()) << "), copying instead";
    QFile source(edited);
    QSaveFile target(m_fileName);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly) ||
        target.write(source.readAll()) < 0 || !target.commit()) {
        qWarning().noquote() << "QSettingsWithSharing: cannot replace" << m_fileName << "-"
                             << target.errorString();
        return false;
    }
    return true;
}
