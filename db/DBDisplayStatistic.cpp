#include "db/DBDisplayStatistic.h"

#include "db/DB.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>

#include <atomic>

const QString DBDisplayStatistic::TABLE = QStringLiteral("DisplayStatistic");

namespace {

std::atomic<bool> s_checked{false};

KaldoDynamicData::Values byDayAndId(const QString& day, int displayid)
{
    return {{QStringLiteral("STDATE"), day}, {QStringLiteral("DISPLAYID"), QString::number(displayid)}};
}

} // namespace

DBDisplayStatistic::DBDisplayStatistic() : data_(DB::get())
{
    ensureChecked(*data_);
}

bool DBDisplayStatistic::ensureChecked(KaldoDynamicData& data)
{
    static const QList<TableSchema> tables = {Schema::table(TABLE)};
    return Schema::checkOnce(data, tables, s_checked);
}

bool DBDisplayStatistic::AddStatisticInfo(const QString& day, int displayid, int amount)
{
    qDebug() << "DBDisplayStatistic::AddStatisticInfo. displayid=" << displayid;
    DBTransaction transaction;
    if (!transaction.started())
        return false;
    bool ok = false;
    if (data_->count(TABLE, byDayAndId(day, displayid)) == 0) {
        qDebug() << "DBDisplayStatistic::AddStatisticInfo. no such display - add";
        ok = data_->addinfo(TABLE, {{QStringLiteral("STDATE"), day},
                                    {QStringLiteral("DISPLAYID"), QString::number(displayid)},
                                    {QStringLiteral("STVALUE"), QString::number(amount)},
                                    {QStringLiteral("STISSYNCHRON"), QStringLiteral("0")}});
    } else {
        qDebug() << "DBDisplayStatistic::AddStatisticInfo. display found - increment";
        ok = data_->exec(
            QStringLiteral("UPDATE DisplayStatistic SET STVALUE = STVALUE + ?, STISSYNCHRON = '0' "
                           "WHERE STDATE = ? AND DISPLAYID = ?"),
            {amount, day, displayid});
    }
    if (!ok)
        transaction.failTransaction();
    return ok;
}

int DBDisplayStatistic::GetStatisticInfo(const QString& day, int displayid)
{
    const auto it = data_->readinfo(TABLE, byDayAndId(day, displayid));
    return it.IsNull() ? 0 : it.value(QStringLiteral("STVALUE")).toInt();
}

KaldoDataIterator DBDisplayStatistic::beginResults(int displayid)
{
    return data_->query(QStringLiteral("SELECT * FROM DisplayStatistic WHERE DISPLAYID = ? ORDER BY STDATE"),
                        {displayid});
}

QList<DBDisplayStatistic::DayCount> DBDisplayStatistic::results(int displayid)
{
    QList<DayCount> days;
    for (auto it = beginResults(displayid); !it.IsNull(); ++it) {
        days.append({it.value(QStringLiteral("STDATE")), it.value(QStringLiteral("STVALUE")).toInt(),
                     it.value(QStringLiteral("STISSYNCHRON")) == QLatin1String("1")});
    }
    return days;
}

bool DBDisplayStatistic::SetSynchronizeNeed(int displayid, bool need)
{
    return data_->changeinfo(
        TABLE, {{QStringLiteral("DISPLAYID"), QString::number(displayid)}},
        {{QStringLiteral("STISSYNCHRON"), need ? QStringLiteral("0") : QStringLiteral("1")}});
}
