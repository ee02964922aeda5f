#pragma once

#include "db/KaldoDataIterator.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class KaldoDynamicData;

// The stored QA plan: one row per display and group with its due date, and the
// user's postponements of groups by key.
class QASchedulingGroups
{
public:
    using iterator = KaldoDataIterator;
    static const QString TABLE;
    static const QString EXCEPTIONS;
    static const QString REMIND;

    QASchedulingGroups();

    // The due groups of active displays at `now`, oldest due date first.
    iterator nearestTasks(qint64 now);
    bool addRecord(const QMap<QString, QString>& values);
    bool SetKey(int groupId, const QString& key);
    int GetGroupIdByKey(const QString& key);
    QString GetKeyByGroupId(int groupId);
    QMap<QString, QString> getGroup(int groupId);
    iterator beginByDisplay(int displayId);
    iterator begin();
    bool SetNextDate(int groupId, qint64 date);
    bool SetNextDateByTaskKey(const QString& key, qint64 date);
    // Postpones a group to `date`: the due date moves and a postponement keeps it there across rebuilds.
    bool delayTask(int groupId, qint64 date, qint64 now);
    bool isDelayedFromNow(int groupId, qint64 now);
    bool SetGroupStatus(int groupId, int status);
    bool SetWasExecutedThisWeekByGroupID(int groupId, bool flag);

    bool setException(int displayId, const QString& key, qint64 from, qint64 to);
    iterator beginExceptions(int displayId);
    iterator beginExceptionsNotSynchronized();
    bool markAllExceptionsAsSynchronized();
    bool cleanOldExceptions(qint64 now);
    bool cleanAllExceptions();
    bool cleanAllDisplayExceptions(int displayId);
    bool cleanExceptionsForTask(const QString& key);
    // Postponements of a display whose key is not among `keys`.
    bool delExceptions(int displayId, const QStringList& keys);
    bool clear();

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
