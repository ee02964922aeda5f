#include "app/RemoveListCreator.h"

#include <QDebug>
#include <QFile>
#include <QXmlStreamReader>

RemoveListCreator& RemoveListCreator::instance()
{
    static RemoveListCreator creator;
    return creator;
}

// The lists were written for one operating system; its entries are the ones kept.
bool RemoveListCreator::checkOS(const QString& os)
{
    return os.isEmpty() || os == QLatin1String("win");
}

QList<RemoveListCreator::Entry> RemoveListCreator::readEntries(const QString& path)
{
    QList<Entry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << "RemoveListCreator can't open" << path;
        return entries;
    }
    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("configurations")) {
        qWarning() << "RemoveListCreator:" << path << "has no configurations root";
        return entries;
    }
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (!checkOS(attributes.value(QLatin1String("os")).toString()))
            continue;
        const QString name = attributes.value(QLatin1String("name")).toString();
        if (name.isEmpty())
            continue;
        entries.append({reader.name().toString(), name, attributes.value(QLatin1String("value")).toString()});
    }
    if (reader.hasError()) {
        qWarning() << "RemoveListCreator: broken XML in" << path << reader.errorString() << "- list ignored";
        return {};
    }
    return entries;
}

void RemoveListCreator::CreateRemoveList(const QString& specialListPath, const QString& defaultListPath)
{
    QStringList groups;
    QMap<QString, QString> settings;
    for (const Entry& entry : readEntries(defaultListPath)) {
        if (entry.element == QLatin1String("group"))
            groups.append(entry.name);
        else if (entry.element == QLatin1String("setting"))
            settings.insert(entry.name, entry.value);
    }
    for (const Entry& entry : readEntries(specialListPath)) {
        if (entry.element == QLatin1String("addgroup") && !groups.contains(entry.name))
            groups.append(entry.name);
        else if (entry.element == QLatin1String("subgroup"))
            groups.removeAll(entry.name);
        else if (entry.element == QLatin1String("addsetting"))
            settings.insert(entry.name, entry.value);
        else if (entry.element == QLatin1String("subsetting"))
            settings.remove(entry.name);
    }
    RemoveListCreator& creator = instance();
    QMutexLocker locker(&creator.m_mutex);
    creator.m_groups = groups;
    creator.m_settings = settings;
    qDebug() << "RemoveListCreator:" << groups.size() << "groups," << settings.size() << "settings";
}

QStringList RemoveListCreator::GetRemoveList() const
{
    QMutexLocker locker(&m_mutex);
    return m_groups;
}

QMap<QString, QString> RemoveListCreator::settings() const
{
    QMutexLocker locker(&m_mutex);
    return m_settings;
}
