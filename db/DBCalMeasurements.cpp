#include "db/DBCalMeasurements.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

namespace {

std::atomic<bool> s_checked{false};
const QString kPatches = QStringLiteral("CalMeasurements");
const QString kUniformity = QStringLiteral("CalUniformityMeasurements");
const QString kProfile = QStringLiteral("CalProfileMeasurements");

KaldoDynamicData::Values byId(qint64 calHistoryId)
{
    return {{QStringLiteral("calhistoryid"), QString::number(calHistoryId)}};
}

} // namespace

DBCalMeasurements::DBCalMeasurements() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({kPatches, kUniformity, kProfile});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool DBCalMeasurements::addRecord(qint64 calHistoryId, int measureType, const QString& r, const QString& g,
                                  const QString& b, const QString& x, const QString& y, const QString& z)
{
    KaldoDynamicData::Values row = byId(calHistoryId);
    row.insert({{QStringLiteral("measuretype"), QString::number(measureType)},
                {QStringLiteral("reasureR"), r},
                {QStringLiteral("reasureG"), g},
                {QStringLiteral("reasureB"), b},
                {QStringLiteral("X"), x},
                {QStringLiteral("Y"), y},
                {QStringLiteral("Z"), z}});
    return data_->addinfo(kPatches, row);
}

bool DBCalMeasurements::addUniformityRecord(qint64 calHistoryId, int measureType, const QString& position,
                                            const QString& ddl, const QString& x, const QString& y,
                                            const QString& z)
{
    KaldoDynamicData::Values row = byId(calHistoryId);
    row.insert({{QStringLiteral("measuretype"), QString::number(measureType)},
                {QStringLiteral("position"), position},
                {QStringLiteral("ddl"), ddl},
                {QStringLiteral("X"), x},
                {QStringLiteral("Y"), y},
                {QStringLiteral("Z"), z}});
    return data_->addinfo(kUniformity, row);
}

bool DBCalMeasurements::addProfileMeasurementsRecord(qint64 calHistoryId, int r, int g, int b, double l,
                                                     double a, double bValue, double deltaE)
{
    KaldoDynamicData::Values row = byId(calHistoryId);
    row.insert({{QStringLiteral("reasureR"), QString::number(r)},
                {QStringLiteral("reasureG"), QString::number(g)},
                {QStringLiteral("reasureB"), QString::number(b)},
                {QStringLiteral("Lab_L"), QString::number(l, 'g', 17)},
                {QStringLiteral("Lab_a"), QString::number(a, 'g', 17)},
                {QStringLiteral("Lab_b"), QString::number(bValue, 'g', 17)},
                {QStringLiteral("DeltaE"), QString::number(deltaE, 'g', 17)}});
    return data_->addinfo(kProfile, row);
}

KaldoDataIterator DBCalMeasurements::begin(qint64 calHistoryId)
{
    return data_->readinfo(kPatches, byId(calHistoryId));
}

KaldoDataIterator DBCalMeasurements::beginProfile(qint64 calHistoryId)
{
    return data_->readinfo(kProfile, byId(calHistoryId));
}

KaldoDataIterator DBCalMeasurements::beginUniformity(qint64 calHistoryId)
{
    return data_->readinfo(kUniformity, byId(calHistoryId));
}

KaldoDataIterator DBCalMeasurements::beginByMeasureType(qint64 calHistoryId, int measureType)
{
    KaldoDynamicData::Values where = byId(calHistoryId);
    where.insert(QStringLiteral("measuretype"), QString::number(measureType));
    return data_->readinfo(kPatches, where);
}

KaldoDataIterator DBCalMeasurements::beginUniformityByMeasureType(qint64 calHistoryId, int measureType)
{
    KaldoDynamicData::Values where = byId(calHistoryId);
    where.insert(QStringLiteral("measuretype"), QString::number(measureType));
    return data_->readinfo(kUniformity, where);
}
