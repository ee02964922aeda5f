#include "app/AppInitialization.h"

#include "app/AppPreferences.h"
#include "platform/OSUtils.h"
#include "settings/DataDirectory.h"

#include <QDebug>
#include <QLocale>
#include <QMetaType>
#include <QNetworkProxyFactory>
#include <QUrl>

#include <map>
#include <unordered_map>
#include <vector>

namespace {

// The languages of the user interface by the system locale; others fall back to English.
QString languageName(QLocale::Language language)
{
    switch (language) {
    case QLocale::German:
        return QStringLiteral("Deutsch");
    case QLocale::Italian:
        return QStringLiteral("Italiano");
    case QLocale::Spanish:
        return QStringLiteral("Espanol");
    case QLocale::French:
        return QStringLiteral("Francais");
    default:
        return QStringLiteral("English");
    }
}

void storeSystemProxy()
{
    QNetworkProxyQuery query(QUrl(QStringLiteral("https://www.example.com")));
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(query);
    for (const QNetworkProxy& proxy : proxies) {
        if (proxy.type() == QNetworkProxy::NoProxy || proxy.hostName().isEmpty())
            continue;
        qDebug() << "system proxy found!";
        AppPreferences::set(QStringLiteral("ProxyServerIp"), proxy.hostName());
        AppPreferences::set(QStringLiteral("ProxyServerPort"), QString::number(proxy.port()));
        AppPreferences::set(QStringLiteral("ProxyUser"), proxy.user());
        AppPreferences::set(QStringLiteral("ProxyPassword"), proxy.password());
        AppPreferences::set(QStringLiteral("UseProxy"), QStringLiteral("true"));
        return;
    }
}

} // namespace

void AppInitialization::fixFonts() {}

void AppInitialization::initGlobalData()
{
    qDebug() << "initGlobalData: product parameters are not built yet, defaults used";
}

void AppInitialization::checkDB()
{
    if (!AppPreferences::available()) {
        qDebug() << "checkDB: no preferences table, first-run defaults skipped";
        return;
    }
    if (!AppPreferences::get(QStringLiteral("FirstCall")).isEmpty())
        return;
    qDebug() << "checkDB: first run on this database";
    AppPreferences::set(QStringLiteral("WorkstationName"), OSUtils::computerName());
    storeSystemProxy();
    AppPreferences::set(QStringLiteral("Language"), languageName(QLocale::system().language()));
    AppPreferences::set(QStringLiteral("FirstCall"), QStringLiteral("1"));
}

void AppInitialization::registertypes()
{
    qRegisterMetaType<std::map<QString, QString>>("std::map<QString,QString>");
    qRegisterMetaType<std::vector<QString>>("std::vector<QString>");
    qRegisterMetaType<std::multimap<int, int>>("std::multimap<int,int>");
    qRegisterMetaType<std::unordered_multimap<int, int>>("std::unordered_multimap<int,int>");
    qRegisterMetaType<std::vector<std::vector<QString>>>("std::vector<std::vector<QString> >");
}

QString AppInitialization::getResoursesPath()
{
    return DataDirectory::path() + QStringLiteral("/resources");
}

QString AppInitialization::productString(const QString& name, const QString& fallback)
{
    Q_UNUSED(name);
    return fallback;
}

QString AppInitialization::applicationName()
{
    return productString(QStringLiteral("ApplicationName"), QStringLiteral("Orvanta QA"));
}
