#pragma once

#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

class QXmlStreamReader;

// The product's remove list: settings groups and single settings that the
// settings layer drops or forces. Built at start from a default list and a
// product-specific list that adds and removes entries.
class RemoveListCreator
{
public:
    static RemoveListCreator& instance();

    // Fills the singleton from both files (resource paths or files); a missing or
    // broken file is logged and contributes nothing.
    static void CreateRemoveList(const QString& specialListPath, const QString& defaultListPath);

    QStringList GetRemoveList() const;
    QMap<QString, QString> settings() const;
    QMap<QString, QString>::const_iterator BeginRemoveSettingsList() const { return m_settings.cbegin(); }
    QMap<QString, QString>::const_iterator EndRemoveSettingsList() const { return m_settings.cend(); }

    // Whether an element with this `os` attribute applies here (empty or "win").
    static bool checkOS(const QString& os);

private:
    struct Entry
    {
        QString element;
        QString name;
        QString value;
    };
    static QList<Entry> readEntries(const QString& path);

    mutable QMutex m_mutex;
    QStringList m_groups;
    QMap<QString, QString> m_settings;
};
