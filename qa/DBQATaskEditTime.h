#pragma once

#include <QString>

#include <memory>

class KaldoDynamicData;

// Per step and display, the time of day the user or the server fixed for a QA
// step. A negative time marks the step as switched off for that display; a step
// without a row is enabled.
class DBQATaskEditTime
{
public:
    static const QString TABLE;

    DBQATaskEditTime();

    bool SetTaskTime(int stepId, int displayId, qint64 time);
    // -1 when none is stored.
    qint64 GetTaskTime(int stepId, int displayId);
    bool RemoveTaskTime(int stepId, int displayId);
    bool DelTimeByStepId(int stepId);
    bool SetTaskEnable(int stepId, int displayId, bool enable);
    bool IsTaskEnable(int stepId, int displayId);
    bool AllIsSynchron();
    bool Clear();

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
