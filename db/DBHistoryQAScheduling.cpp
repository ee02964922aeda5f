#include "db/DBHistoryQAScheduling.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

const QString DBHistoryQAScheduling::TABLE = QStringLiteral("HistoryQAScheduling");

namespace {

std::atomic<bool> s_checked{false};

} // namespace

DBHistoryQAScheduling::DBHistoryQAScheduling() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({TABLE});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool DBHistoryQAScheduling::addRecord(qint64 historyId, const QString& testName, const QString& frequency,
                                      qint64 testDate)
{
    return data_->addinfo(TABLE, {{QStringLiteral("historyId"), QString::number(historyId)},
                                  {QStringLiteral("testName"), testName},
                                  {QStringLiteral("testfrequency"), frequency},
                                  {QStringLiteral("testDate"), QString::number(testDate)}});
}

KaldoDataIterator DBHistoryQAScheduling::begin(qint64 historyId)
{
    return data_->readinfo(TABLE, {{QStringLiteral("historyId"), QString::number(historyId)}});
}
