#include "sync/DisplayHoursSynchronizeV2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"

#include <QMap>

DisplayHoursSynchronizeV2::DisplayHoursSynchronizeV2()
    : BaseSynchronizer({.action = QStringLiteral("DISPLAYHOURS"),
                        .name = QStringLiteral("DisplayHoursSynchronizeV2"),
                        .protocol1Name = QStringLiteral("DisplayHoursSynchronize")})
{
}

QJsonValue DisplayHoursSynchronizeV2::read()
{
    m_sent.clear();
    QMap<int, QJsonArray> byDisplay;
    for (auto it =
             database()->query(QStringLiteral("SELECT DISPLAYID, STDATE, STVALUE FROM DisplayStatistic WHERE "
                                              "STISSYNCHRON = '0' ORDER BY DISPLAYID, STDATE"));
         !it.IsNull(); ++it) {
        const QStringList row{it.value(QStringLiteral("DISPLAYID")), it.value(QStringLiteral("STDATE")),
                              it.value(QStringLiteral("STVALUE"))};
        m_sent << row;
        // The counters are seconds; the server shows hours.
        byDisplay[row[0].toInt()].append(QJsonObject{{QStringLiteral("date"), row[1]},
                                                     {QStringLiteral("hours"), row[2].toDouble() / 3600.0}});
    }
    QJsonArray list;
    for (auto it = byDisplay.begin(); it != byDisplay.end(); ++it)
        list.append(QJsonObject{{QStringLiteral("id"), it.key()}, {QStringLiteral("hours"), it.value()}});
    addSent(int(m_sent.size()));
    return list;
}

bool DisplayHoursSynchronizeV2::write(const QJsonObject&)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    // Today's counter grows while the request is out: it stays marked unless unchanged.
    for (const QStringList& row : m_sent)
        ok = ok &&
             db->exec(QStringLiteral("UPDATE DisplayStatistic SET STISSYNCHRON = '1' WHERE DISPLAYID = ? AND "
                                     "STDATE = ? AND STVALUE = ?"),
                      {row[0], row[1], row[2]});
    if (!ok)
        transaction.failTransaction();
    return ok;
}
