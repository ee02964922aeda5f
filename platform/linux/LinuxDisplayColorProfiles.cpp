#include "platform/linux/LinuxDisplayColorProfiles.h"

#include "platform/linux/ColordClient.h"
#include "platform/linux/LinuxDisplayEnumeration.h"
#include "platform/linux/X11ProfileAtoms.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <cerrno>
#include <cstring>

namespace {

// A profile file larger than this is not a display profile; refusing it keeps a
// broken file from being pushed to the X server whole.
constexpr qint64 kMaxProfileBytes = 64 * 1024 * 1024;

int outputIndexOf(const QString& deviceName, const QString& deviceId)
{
    bool numeric = false;
    const int index = deviceId.toInt(&numeric);
    if (numeric && index >= 0)
        return index;
    return X11ProfileAtoms::outputIndex(deviceName);
}

QByteArray readProfile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A device or a pipe reports no size: the bound is on what is read.
    QByteArray bytes = file.read(kMaxProfileBytes + 1);
    if (bytes.size() > kMaxProfileBytes) {
        qWarning().noquote() << "LinuxDisplayColorProfiles:" << path << "is larger than" << kMaxProfileBytes
                             << "bytes; not a display profile";
        return {};
    }
    return bytes;
}

} // namespace

QString LinuxDisplayColorProfiles::colorDirectory() const
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = dataHome + QStringLiteral("/icc");
    QDir().mkpath(folder);
    return folder;
}

QString LinuxDisplayColorProfiles::currentProfile(const QString& deviceName, const QString& deviceId) const
{
    {
        QMutexLocker lock(&m_mutex);
        const auto known = m_current.constFind(deviceName);
        if (known != m_current.constEnd())
            return *known;
    }
    const int index = outputIndexOf(deviceName, deviceId);
    if (index >= 0) {
        if (const std::optional<QByteArray> profile = X11ProfileAtoms::get(index))
            return fileWithContent(*profile);
    }
    if (ColordClient::available())
        return ColordClient::defaultProfile(deviceName);
    return {};
}

bool LinuxDisplayColorProfiles::associate(const QString& profilePath, const QString& deviceName,
                                          const QString& deviceId) const
{
    // The system's sRGB is used where it lies: a copy in the user's folder would look like a
    // profile the user installed.
    const bool standard = QFileInfo(profilePath) == QFileInfo(standardProfile());
    const QString installed = standard ? profilePath : install(profilePath);
    if (installed.isEmpty())
        return false;
    if (!setX11Profile(installed, deviceName, deviceId))
        return false;
    setColordProfile(installed, deviceName);
    remember(deviceName, installed);
    return true;
}

bool LinuxDisplayColorProfiles::associateStandard(const QString& deviceName, const QString& deviceId) const
{
    remember(deviceName, QString());
    const int index = outputIndexOf(deviceName, deviceId);
    if (index < 0 || !X11ProfileAtoms::reachable()) {
        qDebug() << "LinuxDisplayColorProfiles: no X output for" << deviceName << deviceId
                 << "- nothing to reset there";
        return true;
    }
    QString error;
    if (!X11ProfileAtoms::remove(index, &error)) {
        qDebug() << "LinuxDisplayColorProfiles: XDeleteProperty failed" << X11ProfileAtoms::atomName(index)
                 << error;
        fail(1, error);
        return false;
    }
    return true;
}

QString LinuxDisplayColorProfiles::standardProfile() const
{
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    static const QStringList names{QStringLiteral("color/icc/sRGB.icc"), QStringLiteral("color/icc/sRGB.icm"),
                                   QStringLiteral("color/icc/colord/sRGB.icc")};
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        for (const QString& name : names) {
            const QString path = QDir(dir).filePath(name);
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

DisplayColorProfiles::Error LinuxDisplayColorProfiles::lastError() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastError;
}

// Copies the profile into the colour folder (replacing an older copy of the same name)
// and answers the installed path.
QString LinuxDisplayColorProfiles::install(const QString& profilePath) const
{
    const QFileInfo source(profilePath);
    if (!source.isFile()) {
        qDebug() << "LinuxDisplayColorProfiles: no profile file" << profilePath;
        fail(ENOENT, QString::fromLocal8Bit(std::strerror(ENOENT)));
        return {};
    }
    const QString installed = QDir(colorDirectory()).filePath(source.fileName());
    if (QFileInfo(installed) == source)
        return installed;
    qDebug() << "ApplyProfile temp file:" << installed;
    const QString temporary = installed + QStringLiteral(".part");
    QFile::remove(temporary);
    if (!QFile::copy(source.filePath(), temporary)) {
        qDebug() << "LinuxDisplayColorProfiles: copy to the colour folder failed" << temporary;
        fail(EIO, QStringLiteral("can't copy %1 to %2").arg(profilePath, temporary));
        return {};
    }
    QFile::remove(installed);
    if (!QFile::rename(temporary, installed)) {
        qDebug() << "LinuxDisplayColorProfiles: rename failed" << installed;
        fail(EIO, QStringLiteral("can't rename %1 to %2").arg(temporary, installed));
        return {};
    }
    return installed;
}

bool LinuxDisplayColorProfiles::setX11Profile(const QString& installed, const QString& deviceName,
                                              const QString& deviceId) const
{
    if (!X11ProfileAtoms::reachable()) {
        qDebug() << "LinuxDisplayColorProfiles: no X display - profile only installed" << installed;
        return true;
    }
    const int index = outputIndexOf(deviceName, deviceId);
    if (index < 0) {
        qDebug() << "LinuxDisplayColorProfiles: no X output" << deviceName << deviceId;
        fail(ENODEV, QStringLiteral("no X output named %1").arg(deviceName));
        return false;
    }
    const QByteArray profile = readProfile(installed);
    if (profile.isEmpty()) {
        qDebug() << "LinuxDisplayColorProfiles: can't read" << installed;
        fail(EIO, QStringLiteral("can't read %1").arg(installed));
        return false;
    }
    QString error;
    if (!X11ProfileAtoms::set(index, profile, &error)) {
        qDebug() << "LinuxDisplayColorProfiles: XChangeProperty failed" << X11ProfileAtoms::atomName(index);
        fail(1, error);
        return false;
    }
    qDebug() << "read profile for same HDC - " << X11ProfileAtoms::atomName(index)
             << X11ProfileAtoms::get(index).value_or(QByteArray()).size() << "bytes";
    return true;
}

// colord is optional: when it is missing or refuses, the X property still carries the profile.
void LinuxDisplayColorProfiles::setColordProfile(const QString& installed, const QString& deviceName) const
{
    if (!ColordClient::available()) {
        qDebug() << "LinuxDisplayColorProfiles: colord not running - skipped";
        return;
    }
    ColordClient::Device display{deviceName, {}};
    for (const DisplayOutput& output : LinuxDisplayEnumeration().activeOutputs()) {
        if (output.deviceName == deviceName)
            display.edid = output.edid;
    }
    QString error;
    if (!ColordClient::makeDefault(installed, display, &error))
        qDebug() << "LinuxDisplayColorProfiles: colord refused the profile" << installed << error;
}

// Our colour folder first, then where colour managers keep the profiles users install, so a
// measured profile of the user's is recognised as such and not taken for "no profile".
QString LinuxDisplayColorProfiles::fileWithContent(const QByteArray& content) const
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !QDir::isAbsolutePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    const QStringList folders{colorDirectory(), configHome + QStringLiteral("/color/icc/devices/display"),
                              QDir::homePath() + QStringLiteral("/.color/icc")};
    for (const QString& folder : folders) {
        QDirIterator files(folder, {QStringLiteral("*.icc"), QStringLiteral("*.icm")}, QDir::Files);
        while (files.hasNext()) {
            const QString path = files.next();
            if (QFileInfo(path).size() == content.size() && readProfile(path) == content)
                return path;
        }
    }
    return {};
}

void LinuxDisplayColorProfiles::remember(const QString& deviceName, const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    m_current.insert(deviceName, path);
}

void LinuxDisplayColorProfiles::fail(int code, const QString& text) const
{
    QMutexLocker lock(&m_mutex);
    m_lastError = {code, text};
}
