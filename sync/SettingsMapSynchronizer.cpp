#include "sync/SettingsMapSynchronizer.h"

#include "db/DBPreferences.h"
#include "db/KaldoDynamicData.h"

#include <QDebug>

SettingsMapSynchronizer::SettingsMapSynchronizer()
    : BaseSynchronizer(
          {.action = QStringLiteral("SETTINGSNAMES"),
           .name = QStringLiteral("SettingsMapSynchronizer"),
           .message = QStringLiteral("Operation of synchronisation of the settings names has started")})
{
}

QJsonValue SettingsMapSynchronizer::read()
{
    static const QStringList levelOptions{QStringLiteral("BlackLevel_u"), QStringLiteral("WhiteLevel_u"),
                                          QStringLiteral("BlackLevel_u_extcombo"),
                                          QStringLiteral("WhiteLevel_u_extcombo")};
    DBPreferences preferences;
    QJsonArray list;
    int count = 0;
    for (auto it = database()->query(QStringLiteral("SELECT name, map FROM SettingsNames ORDER BY name"));
         !it.IsNull(); ++it) {
        const QString name = it.value(QStringLiteral("name"));
        QString map = it.value(QStringLiteral("map"));
        if (levelOptions.contains(name) && map.isEmpty())
            map = preferences.getValue(name);
        if (map.isEmpty())
            qDebug().noquote() << "FIELD " + name + " is empty, check it";
        list.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("map"), map}});
        ++count;
    }
    qDebug() << "count " << count;
    addSent(count);
    return list;
}
