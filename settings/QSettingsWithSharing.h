#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

// The machine-wide settings file, shared by the agent and the main application and
// by the accounts of the suite's group: each write reaches the file at once or is
// reported as failed. Objects are short-lived; make one where it is needed.
class QSettingsWithSharing
{
public:
    QSettingsWithSharing(QSettings::Format format, QSettings::Scope scope, const QString& organization,
                         const QString& application);
    ~QSettingsWithSharing();

    // The file that a settings object with these arguments uses. The system scope
    // lives in the data directory, so it is shared by every account of the suite.
    static QString resolveFileName(QSettings::Format format, QSettings::Scope scope,
                                   const QString& organization, const QString& application);

    bool isValid() const { return m_settings != nullptr; }
    QString fileName() const { return m_fileName; }

    // False, with a logged reason, when the value did not reach the file.
    bool setValue(const QString& key, const QVariant& value);
    // An invalid value when there is no settings object.
    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    bool remove(const QString& key);
    QStringList allKeys() const;

private:
    bool modify(const std::function<void(QSettings&)>& change);
    bool replaceWith(const QString& edited);
    // A file the toolkit cannot parse would be left unwritten for ever: it is moved
    // aside under a time-stamped name, so an administrator still has it, and a fresh
    // file takes its place.
    bool keepMalformedAside();

    QSettings::Format m_format;
    QSettings::Scope m_scope;
    QString m_organization;
    QString m_application;
    QString m_fileName;
    std::unique_ptr<QSettings> m_settings;
};
