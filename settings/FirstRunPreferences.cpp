#include "settings/FirstRunPreferences.h"

#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/DBTransaction.h"
#include "platform/OSUtils.h"
#include "settings/PasswordPreferences.h"

#include <QDebug>
#include <QNetworkProxyFactory>

FirstRunPreferences::Environment FirstRunPreferences::Environment::current()
{
    Environment environment{OSUtils::computerName(), QLocale::system(),
                            QNetworkProxy(QNetworkProxy::NoProxy)};
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery());
    for (const QNetworkProxy& proxy : proxies) {
        if (proxy.type() != QNetworkProxy::NoProxy && !proxy.hostName().isEmpty()) {
            environment.proxy = proxy;
            break;
        }
    }
    return environment;
}

QString FirstRunPreferences::languageName(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::German:
        return QStringLiteral("Deutsch");
    case QLocale::French:
        return QStringLiteral("Français");
    case QLocale::Italian:
        return QStringLiteral("Italiano");
    case QLocale::Spanish:
        return QStringLiteral("Espanol");
    case QLocale::Korean:
        return QStringLiteral("한국어");
    case QLocale::Japanese:
        return QStringLiteral("日本語");
    case QLocale::Chinese:
        return QStringLiteral("中国的");
    default:
        return {};
    }
}

bool FirstRunPreferences::apply(DBPreferences& preferences, const QMap<QString, QString>& defaults,
                                const Environment& environment)
{
    return apply(preferences, defaults, [&environment] { return environment; });
}

bool FirstRunPreferences::apply(DBPreferences& preferences, const QMap<QString, QString>& defaults,
                                const EnvironmentSource& environmentSource)
{
    // One transaction: the main application starting at the same moment either
    // sees all of the first-start values or none, and never runs it a second time.
    DBTransaction transaction;
    const bool firstCall = preferences.getValue(QStringLiteral("FirstCall")).isEmpty();
    qDebug() << "FirstRunPreferences::apply firstCall" << firstCall << "defaults" << defaults.size();
    fillMissing(preferences, defaults);
    if (!firstCall)
        return false;

    const Environment environment = environmentSource();
    preferences.setValue(QStringLiteral("WorkstationName"), environment.computerName, true);
    recordProxy(preferences, environment.proxy);
    const QString language = languageName(environment.locale);
    if (!language.isEmpty())
        preferences.setValue(QStringLiteral("Language"), language, true);
    preferences.setValue(QStringLiteral("FirstCall"), QStringLiteral("1"), true);
    return true;
}

void FirstRunPreferences::fillMissing(DBPreferences& preferences, const QMap<QString, QString>& defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        if (preferences.getValue(it.key()).isEmpty())
            preferences.setValue(it.key(), it.value(), true);
    }
}

void FirstRunPreferences::recordProxy(DBPreferences& preferences, const QNetworkProxy& proxy)
{
    if (proxy.type() == QNetworkProxy::NoProxy || proxy.hostName().isEmpty()) {
        preferences.setValue(QStringLiteral("UseProxy"), QStringLiteral("false"), true);
        return;
    }
    qDebug() << "system proxy found!";
    preferences.setValue(QStringLiteral("ProxyServerIp"), proxy.hostName(), true);
    preferences.setValue(QStringLiteral("ProxyServerPort"), QString::number(proxy.port()), true);
    preferences.setValue(QStringLiteral("ProxyUser"), proxy.user(), true);
    PasswordPreferences::write(preferences, QStringLiteral("ProxyPassword"), proxy.password());
    preferences.setValue(QStringLiteral("UseProxy"), QStringLiteral("true"), true);
}
