#include "platform/sim/SimDisplayColorProfiles.h"

#include "platform/sim/SimWorkstation.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSaveFile>

namespace {

// Codes in the style of the system errors a real association reports.
constexpr int ERROR_NO_OUTPUT = 2;
constexpr int ERROR_NOT_CONNECTED = 21;
constexpr int ERROR_NO_FILE = 3;
constexpr int ERROR_COPY = 29;

} // namespace

SimDisplayColorProfiles::SimDisplayColorProfiles(const SimWorkstation& workstation, QString colorDirectory)
    : m_workstation(workstation), m_colorDirectory(std::move(colorDirectory))
{
}

QString SimDisplayColorProfiles::colorDirectory() const
{
    QDir().mkpath(m_colorDirectory);
    return m_colorDirectory;
}

QString SimDisplayColorProfiles::currentProfile(const QString& deviceName, const QString& /*deviceId*/) const
{
    if (const std::optional<QString> slot = readSlot(deviceName))
        return *slot;
    const std::optional<SimDisplay> display = m_workstation.display(deviceName);
    return display ? display->config.value(QStringLiteral("profile")).toString() : QString();
}

bool SimDisplayColorProfiles::associate(const QString& profilePath, const QString& deviceName,
                                        const QString& /*deviceId*/) const
{
    if (!checkOutput(deviceName))
        return false;
    const QFileInfo source(QDir::fromNativeSeparators(profilePath));
    if (!source.isFile()) {
        qDebug() << "SimDisplayColorProfiles: no profile file" << profilePath;
        fail(ERROR_NO_FILE, QStringLiteral("The system cannot find the path specified."));
        return false;
    }
    const QString installed = QDir(colorDirectory()).filePath(source.fileName());
    if (QFileInfo(installed) != source) {
        qDebug() << "ApplyProfile temp file:" << installed;
        QFile::remove(installed);
        if (!QFile::copy(source.filePath(), installed)) {
            qDebug() << "SimDisplayColorProfiles: copy failed" << installed;
            fail(ERROR_COPY, QStringLiteral("The system cannot write to the specified device."));
            return false;
        }
    }
    writeSlot(deviceName, installed);
    return true;
}

bool SimDisplayColorProfiles::associateStandard(const QString& deviceName, const QString& /*deviceId*/) const
{
    if (!checkOutput(deviceName))
        return false;
    writeSlot(deviceName, QString());
    return true;
}

DisplayColorProfiles::Error SimDisplayColorProfiles::lastError() const
{
    QMutexLocker lock(&m_mutex);
    return m_lastError;
}

bool SimDisplayColorProfiles::checkOutput(const QString& output) const
{
    const std::optional<SimDisplay> display = m_workstation.display(output);
    if (!display) {
        qDebug() << "SimDisplayColorProfiles: no display output" << output;
        fail(ERROR_NO_OUTPUT, QStringLiteral("The system cannot find the display %1.").arg(output));
        return false;
    }
    if (!display->connected) {
        qDebug() << "SimDisplayColorProfiles: display output not connected" << output;
        fail(ERROR_NOT_CONNECTED, QStringLiteral("The device %1 is not ready.").arg(output));
        return false;
    }
    return true;
}

void SimDisplayColorProfiles::fail(int code, const QString& text) const
{
    QMutexLocker lock(&m_mutex);
    m_lastError = {code, text};
}

QString SimDisplayColorProfiles::slotsFile() const
{
    return QDir(m_colorDirectory).filePath(QStringLiteral(".display-profiles.json"));
}

std::optional<QString> SimDisplayColorProfiles::readSlot(const QString& output) const
{
    QMutexLocker lock(&m_mutex);
    QFile file(slotsFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject assigned = QJsonDocument::fromJson(file.readAll()).object();
    if (!assigned.contains(output))
        return std::nullopt;
    return assigned.value(output).toString();
}

void SimDisplayColorProfiles::writeSlot(const QString& output, const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    QJsonObject assigned;
    {
        QFile file(slotsFile());
        if (file.open(QIODevice::ReadOnly))
            assigned = QJsonDocument::fromJson(file.readAll()).object();
    }
    assigned.insert(output, path);
    QDir().mkpath(m_colorDirectory);
    QSaveFile file(slotsFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(assigned).toJson()) < 0 ||
        !file.commit())
        qDebug() << "SimDisplayColorProfiles: cannot keep the slot of" << output << "in" << slotsFile();
}
