#pragma once

#include "db/KaldoDataIterator.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <memory>

class KaldoDynamicData;

// The tasks the user (or the server) planned for displays, with their calendar
// fields, next runs and the periods in which they must not run.
class UserScheduling
{
public:
    using iterator = KaldoDataIterator;
    static const QString TABLE;
    static const QString EXCEPTIONS;
    static const QString PARAMS;

    UserScheduling();

    // Inserts a task from column values; returns its id or -1.
    int addRecord(const QMap<QString, QString>& values);
    bool edit(int taskId, const QMap<QString, QString>& values);
    // Marks the task deleted, so the server can be told; cleanDeleted removes it.
    bool del(int taskId);
    QMap<QString, QString> get(int taskId);
    bool isTaskExist(int taskId);
    bool isServerTask(int taskId);
    int taskIdByServerId(int serverTaskId);
    bool setLastRunTime(int taskId, qint64 time);
    bool updateTaskStatus(int taskId, int status);
    // Moves the next run `seconds` later (a display that is not warm yet).
    bool suspendTask(int taskId, qint64 seconds, qint64 now);
    // Postpones the task to `date` ("Remind Me In").
    bool delayTask(int taskId, qint64 date);
    bool updateNextRun(int taskId, qint64 now, qint64 agentStart = 0);
    bool updateNextRuns(qint64 now, qint64 agentStart = 0);
    // Due tasks at `now`, earliest first.
    iterator nearestTasks(qint64 now);
    iterator begin();

    bool addExceptionsForTask(int taskId, qint64 from, qint64 to);
    QList<QPair<qint64, qint64>> exceptionsForTask(int taskId);
    bool delExceptionsForTask(int taskId);
    bool delAllExceptions();

    // A named parameter of a task; setting a name again replaces its value.
    bool SetTaskParam(int taskId, const QString& name, const QString& value);
    QMap<QString, QString> taskParams(int taskId);

    bool SetSynchronizeNeed(int taskId, bool need);
    bool markAllSynchronized();
    bool cleanDeleted();

    static QString GetTaskTypeByTaskTypeId(const QString& typeId);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
