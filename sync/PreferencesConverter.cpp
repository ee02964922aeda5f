#include "sync/PreferencesConverter.h"

#include <QStringList>

PreferencesConverter::PreferencesConverter()
{
    const QMap<QString, QString> onOff{{QStringLiteral("true"), QStringLiteral("1")},
                                       {QStringLiteral("false"), QStringLiteral("0")}};
    for (const QString& name :
         {QStringLiteral("UseProxy"), QStringLiteral("PutDisplaysToEnergySaveMode"),
          QStringLiteral("UpdateSoftwareAutomaticaly"), QStringLiteral("NowInEnergySaveMode")})
        m_maps.insert(name, onOff);
    m_maps.insert(QStringLiteral("remoteOn"), {{QStringLiteral("on"), QStringLiteral("1")},
                                               {QStringLiteral("off"), QStringLiteral("0")}});
}

QString PreferencesConverter::ConvertValue(const QString& name, const QString& value,
                                           Direction direction) const
{
    const auto map = m_maps.constFind(name);
    if (map == m_maps.constEnd())
        return ConvertSpecialValue(name, value, direction);
    if (direction == ToServer)
        return map->value(value, value);
    const QString key = GetKeyByValue(value, *map);
    return key.isNull() ? value : key;
}

QString PreferencesConverter::ConvertSpecialValue(const QString& name, const QString& value, Direction) const
{
    // Unit-dependent levels travel as "<number>|<unit>" in both forms; only a stray
    // blank around the separator is normalised so both sides compare equal.
    if (name.startsWith(QLatin1String("WhiteLevel_u")) || name.startsWith(QLatin1String("BlackLevel_u"))) {
        QStringList parts = value.split(QLatin1Char('|'));
        for (QString& part : parts)
            part = part.trimmed();
        return parts.join(QLatin1Char('|'));
    }
    return value;
}

QString PreferencesConverter::GetKeyByValue(const QString& value, const QMap<QString, QString>& map)
{
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value() == value)
            return it.key();
    }
    return {};
}
