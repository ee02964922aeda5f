#include "tasks/TaskList.h"

#include <QDomDocument>
#include <QFile>
#include <QStringList>

#include <algorithm>

namespace {

qint64 number(const QDomElement& element, const QString& attribute, bool isUnsigned, QStringList* warnings)
{
    if (!element.hasAttribute(attribute))
        return 0;
    const QString text = element.attribute(attribute).trimmed();
    bool ok = false;
    const qint64 value = isUnsigned ? static_cast<qint64>(text.toUInt(&ok)) : text.toLongLong(&ok);
    if (!ok && warnings != nullptr)
        warnings->append(QStringLiteral("task \"%1\": %2=\"%3\" is not a number, read as 0")
                             .arg(element.attribute("name"), attribute, text));
    if (!ok)
        return 0;
    // Periods and delays are added to the clock; beyond this bound they would overflow it.
    const qint64 bounded = std::clamp(value, -TaskList::kMaxSeconds, TaskList::kMaxSeconds);
    if (bounded != value && warnings != nullptr)
        warnings->append(QStringLiteral("task \"%1\": %2=\"%3\" is beyond %4 s, read as %5")
                             .arg(element.attribute("name"), attribute, text)
                             .arg(TaskList::kMaxSeconds)
                             .arg(bounded));
    return bounded;
}

} // namespace

qint64 TaskList::Entry::firstWithReminder(qint64 reminderSeconds) const
{
    return hasFirst ? first + reminderSeconds : reminderSeconds;
}

std::vector<TaskList::Entry> TaskList::read(const QString& fileName, QString* error, QStringList* warnings)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open task list %1 - %2").arg(fileName, file.errorString());
        return {};
    }
    // Read with a bound: a device or a pipe may never end.
    const QByteArray text = file.read(kMaxFileBytes + 1);
    if (text.size() > kMaxFileBytes) {
        *error =
            QStringLiteral("task list %1 is larger than %2 bytes; not read").arg(fileName).arg(kMaxFileBytes);
        return {};
    }
    return parse(text, fileName, error, warnings);
}

std::vector<TaskList::Entry> TaskList::parse(const QByteArray& text, const QString& fileName, QString* error,
                                             QStringList* warnings)
{
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(text, &message, &line, &column)) {
        *error = QStringLiteral("task list %1 is not readable XML (line %2 column %3: %4)")
                     .arg(fileName)
                     .arg(line)
                     .arg(column)
                     .arg(message);
        return {};
    }
    const QDomElement root = document.documentElement();
    if (root.isNull()) {
        *error = QStringLiteral("task list %1 has no root element").arg(fileName);
        return {};
    }
    std::vector<Entry> entries;
    for (QDomElement element = root.firstChildElement(); !element.isNull();
         element = element.nextSiblingElement()) {
        Entry entry;
        entry.type = static_cast<int>(number(element, "type", false, warnings));
        entry.name = element.attribute("name");
        entry.timeout = number(element, "timeout", true, warnings);
        entry.hasFirst = element.hasAttribute("first");
        entry.first = number(element, "first", false, warnings);
        entries.push_back(entry);
    }
    error->clear();
    return entries;
}
