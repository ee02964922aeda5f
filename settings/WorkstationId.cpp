#include "settings/WorkstationId.h"

#include "settings/PreferenceStore.h"

#include <QDebug>
#include <QRandomGenerator>

const QString& WorkstationId::alphabet()
{
    static const QString letters = [] {
        QString text;
        for (char c = 'A'; c <= 'Y'; ++c)
            text += QLatin1Char(c);
        for (char c = 'a'; c <= 'y'; ++c)
            text += QLatin1Char(c);
        for (char c = '0'; c <= '8'; ++c)
            text += QLatin1Char(c);
        return text;
    }();
    return letters;
}

QString WorkstationId::generate(QRandomGenerator& random)
{
    const QString& letters = alphabet();
    QString id;
    id.reserve(LENGTH);
    for (int i = 0; i < LENGTH; ++i)
        id += letters.at(random.bounded(static_cast<int>(letters.size())));
    return id;
}

QString WorkstationId::get(PreferenceStore& preferences)
{
    const QString stored = preferences.getValue(QStringLiteral("synchronizeid"));
    if (!stored.isEmpty())
        return stored;
    qDebug() << "generating new synchronizeid in QString DBPreferences::GetSynchronizeWorkstationId()";
    const QString id = generate(*QRandomGenerator::system());
    preferences.setValue(QStringLiteral("synchronizeid"), id, true);
    return id;
}
