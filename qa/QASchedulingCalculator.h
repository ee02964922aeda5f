#pragma once

#include "qa/QAGroup.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <vector>

class ClassificationInfo;
class RegulationInfo;

// Turns a regulation's steps for one display into dated groups: which steps are
// due together, under which key, and when, from the display's history and the
// user's postponements. Every date is local time: periods are calendar days and
// months, so a change of daylight saving time moves no due date.
class QASchedulingCalculator
{
public:
    using Interval = QPair<qint64, qint64>;
    // What the previous plan stored for a group: its last-run day and twice-a-week phase.
    struct Previous
    {
        QString lastRunDate;
        int phase = 0;
        bool wasExecutedThisWeek = false;
    };

    void setRegulation(RegulationInfo* regulation, ClassificationInfo* classification);
    void setDisplayId(int displayId) { m_displayId = displayId; }
    void setDisplayRestriction(unsigned mask) { m_mask = mask; }
    const ClassificationInfo* classification() const { return m_classification; }
    void setAcceptanceInfo(qint64 time, bool done, bool onThisBoard, const QMap<int, bool>& stepOnBoard);
    void setStatusOk(const QMap<int, bool>& ok) { m_statusOk = ok; }
    void setWasExecuted(const QMap<int, bool>& executed) { m_wasExecuted = executed; }
    void setLastExecutions(const QMap<int, qint64>& times) { m_lastExecutions = times; }
    void setLastSuccessExecutions(const QMap<int, qint64>& times) { m_lastSuccess = times; }
    void setExceptions(const QMap<QString, QList<Interval>>& exceptions) { m_exceptions = exceptions; }
    void setPrevious(const QMap<QString, Previous>& previous) { m_previous = previous; }
    // The time the plan is made at (seconds since 1970).
    void setNow(qint64 now) { m_now = now; }

    bool calculateGroups();
    int groupsCount() const { return static_cast<int>(m_groups.size()); }
    const QAGroup& getGroup(int index) const { return m_groups.at(static_cast<size_t>(index)); }
    const QAGroup* findGroup(const QString& key) const;
    std::vector<int> getStepIds() const;
    // The steps the groups will hold: those of the classification that the display's
    // restriction mask gives a frequency. Needs the regulation and the mask set.
    QList<int> plannedStepIds() const;

    static QString freqName(int code);
    static QString freqNamePart(int code);
    // `n` periods from `time`; twice a week steps 3n days when `phase` is 1, else
    // 4n, and leaves in `phase` the phase of the next step.
    static qint64 freqStep(int code, qint64 time, int n, int& phase);
    static qint64 freqNextRun(int code, qint64 time, int& phase) { return freqStep(code, time, 1, phase); }
    static qint64 freqPrevRun(int code, qint64 time);
    static qint64 startOfDay(qint64 time);
    // Lower-case hex MD5 of "displayid|step|step..." with the steps ascending.
    static QString groupKey(int displayId, std::vector<int> stepIds);
    // Moves a date that falls inside a postponement of `key` to the postponement's end.
    qint64 applyException(const QString& key, qint64 date, qint64 previous, int code, int& phase) const;

private:
    void groupAllSteps();
    void nameAllGroups();
    void calcGroupKeys();
    void restoreWasExecutedThisWeek();
    void calcGroupStatuses();
    void calcGroupRunDates();
    qint64 alignedDueDate(int code, qint64 origin, qint64 base) const;

    RegulationInfo* m_regulation = nullptr;
    ClassificationInfo* m_classification = nullptr;
    int m_displayId = 0;
    unsigned m_mask = 0;
    qint64 m_acceptanceTime = 0;
    bool m_acceptanceDone = false;
    bool m_acceptanceOnBoard = false;
    QMap<int, bool> m_stepOnBoard;
    QMap<int, bool> m_statusOk;
    QMap<int, bool> m_wasExecuted;
    QMap<int, qint64> m_lastExecutions;
    QMap<int, qint64> m_lastSuccess;
    QMap<QString, QList<Interval>> m_exceptions;
    QMap<QString, Previous> m_previous;
    qint64 m_now = 0;
    std::vector<QAGroup> m_groups;
};
