#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

// What is due at one moment, as the scheduler decides it from the stored plan and
// the user's tasks: due user tasks of active, connected displays, due QA groups
// that may be offered, and displays whose last QA failed.
class QADueWork
{
public:
    struct UserTask
    {
        int taskId = 0;
        int displayId = 0;
        QString type;
        qint64 nextRun = 0;
    };
    struct Group
    {
        int groupId = 0;
        int displayId = 0;
        QString name;
        qint64 due = 0;
    };

    static QADueWork collect(qint64 now);
    // The first moment after `now` at which what collect() finds can change by time alone: a
    // stored due date of a QA group or user task comes, or a postponement begins or ends.
    // Only a change of the stored rows, or of the day, moves it. 0 when nothing lies ahead.
    static qint64 nextChange(qint64 now);
    // The first due user task that may be offered now, as an index into `tasks`, or -1.
    // A task whose display needs an ambient check older than 600 s is passed over and
    // its display put into `wake`, so the ambient measurement comes first; so is a
    // display blocked by ambient light (`blocked` answers that).
    // Whether the display measures the room light and its last measurement is missing or
    // older than 600 s: work on it waits for the ambient-light task.
    static bool ambientCheckPending(int displayId, qint64 now);
    static int chooseUserTask(const QList<UserTask>& tasks, qint64 now, QList<int>* wake,
                              const std::function<bool(int)>& blocked = {});

    QList<UserTask> userTasks;
    // Due groups of active, connected displays that are not postponed.
    QList<Group> dueGroups;
    // Of those, the ones whose steps are enabled for their display.
    std::vector<int> enabledGroupIds;
    bool qaExcluded = false;
    QList<int> failedDisplays;

    QJsonObject toJson() const;
    QString toText() const;
};
