#include "sync/DisplayStatusSynchronizerV2.h"

#include "db/KaldoDynamicData.h"

#include <QMap>

DisplayStatusSynchronizerV2::DisplayStatusSynchronizerV2()
    : BaseSynchronizer({.action = QStringLiteral("DISPLAYSTATUSES"),
                        .name = QStringLiteral("DisplayStatusSynchronizerV2"),
                        .protocol1Name = QStringLiteral("DisplayStatusSynchronizer")})
{
}

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
