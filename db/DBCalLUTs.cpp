#include "db/DBCalLUTs.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

namespace {

std::atomic<bool> s_checked{false};
const QString kTable = QStringLiteral("CalLUTs");

} // namespace

DBCalLUTs::DBCalLUTs() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({kTable});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool DBCalLUTs::addRecord(qint64 calHistoryId, int ddl, int channel, int value)
{
    return data_->addinfo(kTable, {{QStringLiteral("calhistoryid"), QString::number(calHistoryId)},
                                   {QStringLiteral("ddl"), QString::number(ddl)},
                                   {QStringLiteral("channel"), QString::number(channel)},
                                   {QStringLiteral("value"), QString::number(value)}});
}

KaldoDataIterator DBCalLUTs::begin(qint64 calHistoryId)
{
    return data_->query(QStringLiteral("SELECT * FROM CalLUTs WHERE calhistoryid = ? ORDER BY channel, ddl"),
                        {calHistoryId});
}
