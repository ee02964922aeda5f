#include "sync/DisplaySynchronizerV2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"

#include <QDebug>

DisplaySynchronizerV2::DisplaySynchronizerV2()
    : BaseSynchronizer({.action = QStringLiteral("DISPLAY"),
                        .name = QStringLiteral("DisplaySynchronizerV2"),
                        .protocol1Name = QStringLiteral("DisplaySynchronizer")})
{
}

QJsonValue DisplaySynchronizerV2::read()
{
    m_sent.clear();
    QJsonArray list;
    auto db = database();
    for (auto it = db->query(QStringLiteral("SELECT displayid, serial, width, height, commode FROM Displays "
                                            "WHERE isactive = 1 ORDER BY displayid"));
         !it.IsNull(); ++it) {
        const QStringList row{it.value(QStringLiteral("displayid")), it.value(QStringLiteral("serial")),
                              it.value(QStringLiteral("width")), it.value(QStringLiteral("height")),
                              it.value(QStringLiteral("commode"))};
        m_sent << row;
        list.append(QJsonObject{{QStringLiteral("id"), row[0].toInt()},
                                {QStringLiteral("serial"), row[1]},
                                {QStringLiteral("width"), row[2].toInt()},
                                {QStringLiteral("height"), row[3].toInt()},
                                {QStringLiteral("commode"), row[4].toInt()}});
    }
    addSent(int(m_sent.size()));
    return list;
}

bool DisplaySynchronizerV2::write(const QJsonObject&)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    for (const QStringList& row : m_sent) {
        // A record changed while the request was out stays marked and goes next time.
        ok = ok &&
             db->exec(QStringLiteral("UPDATE Displays SET issynchron = 1 WHERE displayid = ? AND serial = ? "
                                     "AND width = ? AND height = ? AND commode = ?"),
                      {row[0], row[1], row[2], row[3], row[4]});
    }
    if (!ok)
        transaction.failTransaction();
    return ok;
}
