#pragma once

#include <QString>

#include <map>
#include <vector>

// One group of a display's QA plan: the steps of one step type that repeat at the
// same frequency, with what the planner computed for them.
struct QAGroup
{
    QString key;
    QString name;
    int frequency = -1;
    QString stepType;
    std::vector<int> stepIds;
    // Last execution per step; 0 when the step never ran.
    std::map<int, qint64> stepLastRuns;
    bool statusOk = true;
    bool neverRun = true;
    qint64 lastRun = 0;
    // Due date before and after postponements.
    qint64 dueDateFixed = 0;
    qint64 dueDate = 0;
    qint64 remindDate = 0;
    bool wasExecutedThisWeek = false;
    // Twice a week: the phase the due date was stepped with (1 = 3 days, else 4).
    int phase = 0;
};
