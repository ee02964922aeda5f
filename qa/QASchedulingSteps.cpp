#include "qa/QASchedulingSteps.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

const QString QASchedulingSteps::TABLE = QStringLiteral("QASchedulingSteps");

namespace {

std::atomic<bool> s_checked{false};

} // namespace

QASchedulingSteps::QASchedulingSteps() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({TABLE, QStringLiteral("QASchedulingGroups")});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool QASchedulingSteps::addRecord(int groupId, int displayId, int stepId)
{
    return data_->addinfo(TABLE, {{QStringLiteral("groupid"), QString::number(groupId)},
                                  {QStringLiteral("displayid"), QString::number(displayId)},
                                  {QStringLiteral("stepid"), QString::number(stepId)},
                                  {QStringLiteral("issynchron"), QStringLiteral("0")}});
}

QASchedulingSteps::iterator QASchedulingSteps::getGroup(int groupId)
{
    return data_->readinfo(TABLE, {{QStringLiteral("groupid"), QString::number(groupId)}});
}

QList<int> QASchedulingSteps::getStepIds(int groupId, int displayId)
{
    QList<int> ids;
    for (auto it = data_->readinfo(TABLE, {{QStringLiteral("groupid"), QString::number(groupId)},
                                           {QStringLiteral("displayid"), QString::number(displayId)}});
         !it.IsNull(); ++it)
        ids << it.value(QStringLiteral("stepid")).toInt();
    return ids;
}

int QASchedulingSteps::getStepGroupId(int displayId, int stepId)
{
    const auto it = data_->readinfo(TABLE, {{QStringLiteral("displayid"), QString::number(displayId)},
                                            {QStringLiteral("stepid"), QString::number(stepId)}});
    return it.IsNull() ? -1 : it.value(QStringLiteral("groupid")).toInt();
}

qint64 QASchedulingSteps::stepNextDate(int displayId, int stepId)
{
    const auto it = data_->query(
        QStringLiteral("SELECT QASchedulingGroups.nextdate AS nextdate FROM QASchedulingGroups INNER JOIN "
                       "QASchedulingSteps ON QASchedulingGroups.groupid = QASchedulingSteps.groupid WHERE "
                       "QASchedulingSteps.displayid = ? AND QASchedulingSteps.stepid = ?"),
        {displayId, stepId});
    return it.value(QStringLiteral("nextdate")).toLongLong();
}
