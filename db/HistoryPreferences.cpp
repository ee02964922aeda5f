#include "db/HistoryPreferences.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <atomic>

const QString HistoryPreferences::TABLE = QStringLiteral("HistoryPreferences");

namespace {

std::atomic<bool> s_checked{false};

} // namespace

HistoryPreferences::HistoryPreferences() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({TABLE});
    Schema::checkOnce(*data_, tables, s_checked);
}

bool HistoryPreferences::addValue(qint64 historyId, const QString& name, const QString& value)
{
    return data_->exec(QStringLiteral("INSERT INTO HistoryPreferences(historyid,name,value) VALUES(?,?,?)"),
                       {historyId, KaldoDynamicData::storedText(name), KaldoDynamicData::storedText(value)});
}

QString HistoryPreferences::getValue(qint64 historyId, const QString& name)
{
    return data_
        ->readinfo(TABLE, {{QStringLiteral("historyid"), QString::number(historyId)},
                           {QStringLiteral("name"), name}})
        .value(QStringLiteral("value"));
}

QMap<QString, QString> HistoryPreferences::getAll(qint64 historyId)
{
    QMap<QString, QString> values;
    for (auto it = begin(historyId); !it.IsNull(); ++it)
        values.insert(it.value(QStringLiteral("name")), it.value(QStringLiteral("value")));
    return values;
}

KaldoDataIterator HistoryPreferences::begin(qint64 historyId)
{
    return data_->readinfo(TABLE, {{QStringLiteral("historyid"), QString::number(historyId)}});
}
