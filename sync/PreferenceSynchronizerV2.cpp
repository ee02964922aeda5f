#include "sync/PreferenceSynchronizerV2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "sync/PreferencesConverter.h"

#include <QDebug>

PreferenceSynchronizerV2::PreferenceSynchronizerV2()
    : BaseSynchronizer({.action = QStringLiteral("PREFERENCES"),
                        .name = QStringLiteral("PreferenceSynchronizerV2"),
                        .protocol1Name = QStringLiteral("PreferanceSynchronizer")})
{
}

QJsonValue PreferenceSynchronizerV2::read()
{
    m_sent.clear();
    const PreferencesConverter converter;
    QJsonArray list;
    for (auto it = database()->query(
             QStringLiteral("SELECT name, value FROM Preferences WHERE isupdate = 1 ORDER BY name"));
         !it.IsNull(); ++it) {
        const QString name = it.value(QStringLiteral("name"));
        const QString value = it.value(QStringLiteral("value"));
        const QString converted = converter.ConvertValue(name, value, PreferencesConverter::ToServer);
        if (converted.isEmpty())
            continue;
        list.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("value"), converted}});
        m_sent << qMakePair(name, value);
    }
    addSent(int(m_sent.size()));
    return QJsonObject{{QStringLiteral("appname"), QStringLiteral("LutLoader")},
                       {QStringLiteral("appversion"), QStringLiteral(LUTLOADER_VERSION)},
                       {QStringLiteral("preferences"), list}};
}

bool PreferenceSynchronizerV2::write(const QJsonObject& reply)
{
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    for (const auto& [name, value] : m_sent)
        ok =
            ok && db->exec(QStringLiteral("UPDATE Preferences SET isupdate = 0 WHERE name = ? AND value = ?"),
                           {name, value});
    const PreferencesConverter converter;
    int applied = 0;
    const auto store = [&](const QString& name, const QString& value) {
        const auto current =
            db->query(QStringLiteral("SELECT value, isupdate FROM Preferences WHERE name = ?"), {name});
        if (!current.IsNull() && current.value(QStringLiteral("isupdate")) == QLatin1String("1") &&
            current.value(QStringLiteral("value")) != value) {
            qDebug().noquote() << "PREFERENCES -" << name
                               << "edited here and not sent yet: the local value wins over the server's"
                               << value;
            return;
        }
        qDebug().noquote() << "name, value" << name << value;
        ok = ok &&
             (current.IsNull()
                  ? db->exec(
                        QStringLiteral("INSERT INTO Preferences (name, value, isupdate) VALUES (?, ?, 0)"),
                        {name, value})
                  : db->exec(QStringLiteral("UPDATE Preferences SET value = ?, isupdate = 0 WHERE name = ?"),
                             {value, name}));
        ++applied;
    };
    QJsonValue received = reply.value(QStringLiteral("data"));
    if (received.isObject())
        received = received.toObject().value(QStringLiteral("preferences"));
    bool ambient = false;
    for (const QJsonValue& item : toList(received)) {
        const QJsonObject entry = item.toObject();
        const QString name = toText(entry.value(QStringLiteral("name")));
        if (name.isEmpty())
            continue;
        const QString value = converter.ConvertValue(name, toText(entry.value(QStringLiteral("value"))),
                                                     PreferencesConverter::ToLocal);
        if ((name == QLatin1String("UsedRegulation") || name == QLatin1String("UsedClassification")) &&
            value.isEmpty())
            continue;
        store(name, value);
        ambient = ambient || name == QLatin1String("MinAmbientLux") || name == QLatin1String("MaxAmbientLux");
    }
    if (ambient)
        store(QStringLiteral("AmbientSource"), QStringLiteral("remote"));
    return finishApply(transaction, ok, applied);
}
