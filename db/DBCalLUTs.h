#pragma once

#include "db/KaldoDataIterator.h"

#include <memory>

class KaldoDynamicData;

// The LUT a calibration produced.
class DBCalLUTs
{
public:
    DBCalLUTs();

    bool addRecord(qint64 calHistoryId, int ddl, int channel, int value);
    // Ordered by channel and input level.
    KaldoDataIterator begin(qint64 calHistoryId);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
