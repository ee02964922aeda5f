#include "sync/DisplayPreferencesSynchronizerV2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"

#include <QDebug>

DisplayPreferencesSynchronizerV2::DisplayPreferencesSynchronizerV2()
    : BaseSynchronizer({.action = QStringLiteral("DISPLAYPREFS"),
                        .name = QStringLiteral("DisplayPreferencesSynchronizerV2"),
                        .protocol1Name = QStringLiteral("DisplayPreferencesSynchronizer")})
{
}

QJsonValue DisplayPreferencesSynchronizerV2::read()
{
    m_sent.clear();
    auto db = database();
    QJsonArray list;
    for (auto display = db->query(
             QStringLiteral("SELECT displayid, isactive, lut_names FROM Displays ORDER BY displayid"));
         !display.IsNull(); ++display) {
        const QString id = display.value(QStringLiteral("displayid"));
        QJsonObject entry{
            {QStringLiteral("id"), id.toInt()},
            {QStringLiteral("exclude"), display.value(QStringLiteral("isactive")) == QLatin1String("1")
                                            ? QStringLiteral("0")
                                            : QStringLiteral("1")}};
        const QString lutNames = display.value(QStringLiteral("lut_names"));
        if (!lutNames.isEmpty())
            entry.insert(QStringLiteral("lut_names"), lutNames); // stored joined with "||" already
        QJsonArray settings;
        // The marks stay until the server confirmed: reading them must not clear them.
        for (auto row =
                 db->query(QStringLiteral("SELECT name, value FROM DisplayInfo WHERE displayid = ? AND "
                                          "issynchron = 0 ORDER BY name"),
                           {id});
             !row.IsNull(); ++row) {
            const QString name = row.value(QStringLiteral("name"));
            const QString value = row.value(QStringLiteral("value"));
            settings.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("value"), value}});
            m_sent << QStringList{id, name, value};
        }
        entry.insert(QStringLiteral("settings"), settings);
        list.append(entry);
    }
    addSent(int(m_sent.size()));
    return list;
}

bool DisplayPreferencesSynchronizerV2::write(const QJsonObject& reply)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    for (const QStringList& row : m_sent)
        ok = ok &&
             db->exec(QStringLiteral("UPDATE DisplayInfo SET issynchron = 1 WHERE displayid = ? AND name = ? "
                                     "AND value = ? AND issynchron = 0"),
                      {row[0], row[1], row[2]});
    int applied = 0;
    const auto store = [&](const QString& id, const QString& name, const QString& value) {
        const auto current = db->query(
            QStringLiteral("SELECT value, issynchron FROM DisplayInfo WHERE displayid = ? AND name = ?"),
            {id, name});
        if (!current.IsNull() && current.value(QStringLiteral("issynchron")) == QLatin1String("0") &&
            current.value(QStringLiteral("value")) != value) {
            qDebug().noquote() << "DISPLAYPREFS - display" << id << name
                               << "edited here and not sent yet: the local value wins over the server's"
                               << value;
            return;
        }
        if (current.IsNull())
            ok = ok && db->exec(QStringLiteral("INSERT INTO DisplayInfo (displayid, name, value, issynchron) "
                                               "VALUES (?, ?, ?, 1)"),
                                {id, name, value});
        else
            ok = ok && db->exec(QStringLiteral(
                                    "UPDATE DisplayInfo SET value = ?, issynchron = 1 WHERE displayid = ? "
                                    "AND name = ?"),
                                {value, id, name});
        ++applied;
    };
    for (const QJsonValue& item : toList(reply.value(QStringLiteral("data")))) {
        const QJsonObject entry = item.toObject();
        const QString id = QString::number(toInt(entry.value(QStringLiteral("id")), -1));
        if (id == QLatin1String("-1") ||
            db->query(QStringLiteral("SELECT displayid FROM Displays WHERE displayid = ?"), {id}).IsNull()) {
            qWarning() << "DISPLAYPREFS - reply names an unknown display" << id << "- skipped";
            continue;
        }
        if (entry.contains(QStringLiteral("exclude"))) {
            const bool active = toText(entry.value(QStringLiteral("exclude"))) != QLatin1String("1");
            ok = ok && db->exec(QStringLiteral("UPDATE Displays SET isactive = ? WHERE displayid = ?"),
                                {active ? 1 : 0, id});
            ++applied;
        }
        for (const QJsonValue& setting : toList(entry.value(QStringLiteral("settings")))) {
            const QString name = toText(setting.toObject().value(QStringLiteral("name")));
            if (name.isEmpty())
                continue;
            store(id, name, toText(setting.toObject().value(QStringLiteral("value"))));
            if (name == QLatin1String("PresenceSensor"))
                store(id, QStringLiteral("PresenceSensorSource"), QStringLiteral("remote"));
        }
    }
    return finishApply(transaction, ok, applied);
}
