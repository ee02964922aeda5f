#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The task list file: one `task` element per task under the root, in queue order,
// with the attributes type, name, timeout (seconds) and an optional first delay.
class TaskList
{
public:
    struct Entry
    {
        int type = 0;
        QString name;
        qint64 timeout = 0;
        bool hasFirst = false;
        qint64 first = 0;

        // The first delay the task is built with: the listed one plus the reminder.
        qint64 firstWithReminder(qint64 reminderSeconds) const;
    };

    // Reads `fileName`. On failure the list is empty and `error` says why; unreadable
    // attribute values are read as 0 and reported in `warnings`.
    // Periods and first delays longer than ten years are read as ten years.
    static constexpr qint64 kMaxSeconds = 10LL * 365 * 24 * 3600;
    // Task lists are kilobytes; a larger file is not one.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

    static std::vector<Entry> read(const QString& fileName, QString* error, QStringList* warnings = nullptr);
    // The same from the file's bytes; `fileName` only names it in messages.
    static std::vector<Entry> parse(const QByteArray& text, const QString& fileName, QString* error,
                                    QStringList* warnings = nullptr);
};
