#pragma once

#include "db/KaldoDataIterator.h"

#include <QString>

#include <memory>

class KaldoDynamicData;

// What a calibration measured: patches, uniformity positions and profile patches.
class DBCalMeasurements
{
public:
    DBCalMeasurements();

    bool addRecord(qint64 calHistoryId, int measureType, const QString& r, const QString& g, const QString& b,
                   const QString& x, const QString& y, const QString& z);
    bool addUniformityRecord(qint64 calHistoryId, int measureType, const QString& position,
                             const QString& ddl, const QString& x, const QString& y, const QString& z);
    bool addProfileMeasurementsRecord(qint64 calHistoryId, int r, int g, int b, double l, double a,
                                      double bValue, double deltaE);
    KaldoDataIterator begin(qint64 calHistoryId);
    KaldoDataIterator beginProfile(qint64 calHistoryId);
    KaldoDataIterator beginUniformity(qint64 calHistoryId);
    KaldoDataIterator beginByMeasureType(qint64 calHistoryId, int measureType);
    KaldoDataIterator beginUniformityByMeasureType(qint64 calHistoryId, int measureType);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
