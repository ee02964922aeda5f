#include "sync/DisplayStatusSynchronizerV2.h"

#include "db/KaldoDynamicData.h"

#include <QMap>

QJsonValue DisplayStatusSynchronizerV2::read()
{
    QMap<int, QJsonArray> byDisplay;
    int rows = 0;
    for (auto it = database()->query(QStringLiteral(
             "SELECT displayid, limitname, limitvalue FROM StatusDisplays ORDER BY displayid, limitname"));
         !it.IsNull(); ++it, ++rows)
        byDisplay[it.value(QStringLiteral("displayid")).toInt()].append(
            QJsonObject{{QStringLiteral("name"), it.value(QStringLiteral("limitname"))},
                        {QStringLiteral("value"), it.value(QStringLiteral("limitvalue"))}});
    QJsonArray list;
    for (auto it = byDisplay.begin(); it != byDisplay.end(); ++it)
        list.append(QJsonObject{{QStringLiteral("id"), it.key()}, {QStringLiteral("statuses"), it.value()}});
    addSent(rows);
    return list;
}

bool DisplayStatusSynchronizerV2::write(const QJsonObject&)
{
    return true;
}
