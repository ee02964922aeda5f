#include "app/FirstRunSettings.h"

#include "app/AppPreferences.h"

#include <QDebug>

QMap<QString, QString> FirstRunSettings::parse(const QStringList& arguments)
{
    QMap<QString, QString> presets;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1Char('-')) || equals <= 0)
            continue;
        presets.insert(argument.left(equals).trimmed(), argument.mid(equals + 1).trimmed());
    }
    return presets;
}

void FirstRunSettings::start(const QStringList& arguments)
{
    const QMap<QString, QString> presets = parse(arguments);
    for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
        qDebug() << "FirstRunSettings preset" << it.key();
        AppPreferences::set(it.key(), it.value());
    }
}
