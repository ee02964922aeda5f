#pragma once

#include "db/KaldoDataIterator.h"

#include <QList>
#include <QString>

#include <memory>

class KaldoDynamicData;

// The steps of every group of the stored QA plan.
class QASchedulingSteps
{
public:
    using iterator = KaldoDataIterator;
    static const QString TABLE;

    QASchedulingSteps();

    bool addRecord(int groupId, int displayId, int stepId);
    // Rows (groupid, displayid, stepid) of one group.
    iterator getGroup(int groupId);
    QList<int> getStepIds(int groupId, int displayId);
    int getStepGroupId(int displayId, int stepId);
    qint64 stepNextDate(int displayId, int stepId);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
