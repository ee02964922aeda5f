#include "sync/LangListSynchronizer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

LangListSynchronizer::LangListSynchronizer()
    : BaseSynchronizer({.action = QStringLiteral("USERLANGUAGES"),
                        .name = QStringLiteral("LangListSynchronizer"),
                        .message = QStringLiteral("Language list synchronisation"),
                        .xmlPayload = true})
{
}

QJsonValue LangListSynchronizer::read()
{
    QJsonArray list{QJsonObject{{QStringLiteral("language"), QStringLiteral("English")},
                                {QStringLiteral("name"), QStringLiteral("en")}}};
    // Translations ship beside the program as "<anything>_<locale>.qm".
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    for (const QFileInfo& file : folder.entryInfoList({QStringLiteral("*.qm")}, QDir::Files, QDir::Name)) {
        const QString code = file.completeBaseName().section(QLatin1Char('_'), 1);
        const QLocale locale(code);
        list.append(QJsonObject{{QStringLiteral("language"), QLocale::languageToString(locale.language())},
                                {QStringLiteral("name"), code}});
    }
    addSent(int(list.size()));
    return list;
}
