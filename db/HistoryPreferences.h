#pragma once

#include "db/KaldoDataIterator.h"

#include <QMap>
#include <QString>

#include <memory>

class KaldoDynamicData;

// The settings in force for one history record (report header values).
class HistoryPreferences
{
public:
    static const QString TABLE;

    HistoryPreferences();

    bool addValue(qint64 historyId, const QString& name, const QString& value);
    QString getValue(qint64 historyId, const QString& name);
    QMap<QString, QString> getAll(qint64 historyId);
    KaldoDataIterator begin(qint64 historyId);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
