#include "qa/DBQATaskEditTime.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

const QString DBQATaskEditTime::TABLE = QStringLiteral("QATasksTime");

namespace {

std::atomic<bool> s_checked{false};

KaldoDynamicData::Values byStep(int stepId, int displayId)
{
    return {{QStringLiteral("stepid"), QString::number(stepId)},
            {QStringLiteral("dispid"), QString::number(displayId)}};
}

} // namespace

DBQATaskEditTime::DBQATaskEditTime() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({TABLE});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool DBQATaskEditTime::SetTaskTime(int stepId, int displayId, qint64 time)
{
    const KaldoDynamicData::Values values{{QStringLiteral("time"), QString::number(time)},
                                          {QStringLiteral("issynchron"), QStringLiteral("0")}};
    if (data_->count(TABLE, byStep(stepId, displayId)) > 0)
        return data_->changeinfo(TABLE, byStep(stepId, displayId), values);
    KaldoDynamicData::Values row = byStep(stepId, displayId);
    row.insert(values);
    return data_->addinfo(TABLE, row);
}

qint64 DBQATaskEditTime::GetTaskTime(int stepId, int displayId)
{
    const auto it = data_->readinfo(TABLE, byStep(stepId, displayId));
    return it.IsNull() ? -1 : it.value(QStringLiteral("time")).toLongLong();
}

bool DBQATaskEditTime::RemoveTaskTime(int stepId, int displayId)
{
    return data_->delinfo(TABLE, byStep(stepId, displayId));
}

bool DBQATaskEditTime::DelTimeByStepId(int stepId)
{
    return data_->delinfo(TABLE, {{QStringLiteral("stepid"), QString::number(stepId)}});
}

bool DBQATaskEditTime::SetTaskEnable(int stepId, int displayId, bool enable)
{
    if (enable) {
        const qint64 time = GetTaskTime(stepId, displayId);
        return time >= 0 || RemoveTaskTime(stepId, displayId);
    }
    return SetTaskTime(stepId, displayId, -1);
}

bool DBQATaskEditTime::IsTaskEnable(int stepId, int displayId)
{
    const auto it = data_->readinfo(TABLE, byStep(stepId, displayId));
    return it.IsNull() || it.value(QStringLiteral("time")).toLongLong() >= 0;
}

bool DBQATaskEditTime::AllIsSynchron()
{
    return data_->execSql(QStringLiteral("UPDATE QATasksTime SET issynchron = 1"));
}

bool DBQATaskEditTime::Clear()
{
    return data_->execSql(QStringLiteral("DELETE FROM QATasksTime"));
}
