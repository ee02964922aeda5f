#pragma once

#include "db/KaldoDataIterator.h"

#include <QString>

#include <memory>

class KaldoDynamicData;

// The plan entries a QA run fulfilled.
class DBHistoryQAScheduling
{
public:
    static const QString TABLE;

    DBHistoryQAScheduling();

    bool addRecord(qint64 historyId, const QString& testName, const QString& frequency, qint64 testDate);
    KaldoDataIterator begin(qint64 historyId);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
