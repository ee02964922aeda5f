#pragma once

#include <QDate>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

// The calendar of one user-planned task: from its schedule fields and its last
// run, the next time it falls due. Dates are local.
class UserTasksScheduling
{
public:
    static constexpr int MAX_DAYS_AHEAD = 2000;
    enum SchedType
    {
        STARTUP = 0,
        ONCE = 1,
        DAILY = 2,
        WEEKLY = 3,
        MONTHLY = 4,
        QUARTERLY = 5,
        SEMIANNUALLY = 6,
        ANNUALLY = 7,
    };

    // A row of UserScheduling (column -> text) and its exception periods (seconds).
    void load(const QMap<QString, QString>& row, const QList<QPair<qint64, qint64>>& exceptions = {});
    bool loadFromDBTask(int taskId);
    // `agentStart`: when the agent started (start-up tasks count from it).
    void setTime(qint64 now, qint64 agentStart = 0);
    // The next run, seconds since 1970; 0 when the task has none.
    qint64 next() const;

private:
    qint64 specialcalc() const;
    bool check(const QDate& day) const;
    bool checkday(const QDate& day) const;
    bool checkweek(const QDate& day) const;
    bool checkmonth(const QDate& day) const;
    bool inException(const QDate& day) const;
    int monthStep() const;
    QDate startDate() const;

    QMap<QString, QString> m_row;
    QList<QPair<qint64, qint64>> m_exceptions;
    qint64 m_now = 0;
    qint64 m_agentStart = 0;
};
