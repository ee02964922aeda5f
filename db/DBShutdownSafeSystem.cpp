#include "db/DBShutdownSafeSystem.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

#include <atomic>

const QString DBShutdownSafeSystem::TABLE = QStringLiteral("ShotdownSafeSystem");

namespace {

std::atomic<bool> s_checked{false};

KaldoDynamicData::Values byDisplay(int displayid)
{
    return {{QStringLiteral("display_id"), QString::number(displayid)}};
}

} // namespace

DBShutdownSafeSystem::DBShutdownSafeSystem() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBShutdownSafeSystem::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    return Schema::checkOnce(data, tables, s_checked);
}

bool DBShutdownSafeSystem::setNewTask(int displayid)
{
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    if (data_->count(TABLE, byDisplay(displayid)) > 0)
        return true;
    const bool ok = data_->addinfo(TABLE, byDisplay(displayid));
    if (!ok) {
        qWarning() << "DBShutdownSafeSystem::setNewTask failed for display" << displayid;
        transaction.failTransaction();
    }
    return ok;
}

bool DBShutdownSafeSystem::removeTask(int displayid)
{
    return data_->delinfo(TABLE, byDisplay(displayid));
}

bool DBShutdownSafeSystem::isCalibrateFailed(int displayid)
{
    return data_->count(TABLE, byDisplay(displayid)) > 0;
}
