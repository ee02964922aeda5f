#include "qa/DBUserRegulations.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

namespace {

std::atomic<bool> s_checked{false};
const QString kRegulations = QStringLiteral("UserRegulations");
const QString kClassifications = QStringLiteral("UserClassifications");

} // namespace

DBUserRegulations::DBUserRegulations() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({kRegulations, kClassifications});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool DBUserRegulations::clear()
{
    return data_->execSql(QStringLiteral("DELETE FROM ") + kRegulations) &&
           data_->execSql(QStringLiteral("DELETE FROM ") + kClassifications);
}

bool DBUserRegulations::addRegulation(const QString& id, const QString& name)
{
    return data_->addinfo(kRegulations, {{QStringLiteral("id"), id}, {QStringLiteral("name"), name}});
}

bool DBUserRegulations::addClassification(const QString& regulationId, int id, const QString& name)
{
    return data_->addinfo(kClassifications, {{QStringLiteral("regulationid"), regulationId},
                                             {QStringLiteral("id"), QString::number(id)},
                                             {QStringLiteral("name"), name}});
}
