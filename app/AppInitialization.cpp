#include "app/AppInitialization.h"

#include "db/DBPreferences.h"
#include "settings/DataDirectory.h"
#include "settings/FirstRunPreferences.h"
#include "settings/GlobalData.h"
#include "settings/ProductParams.h"

#include <QDebug>
#include <QMetaType>

#include <map>
#include <unordered_map>
#include <vector>

void AppInitialization::fixFonts() {}

void AppInitialization::initGlobalData()
{
    if (!ProductParams::LoadParams())
        qWarning() << "initGlobalData: the product parameters could not be read completely";
}

void AppInitialization::checkDB()
{
    DBPreferences preferences;
    if (!preferences.isChecked()) {
        qWarning() << "checkDB: the preferences table is not usable, first-run defaults skipped";
        return;
    }
    const StringMap defaults =
        GlobalData::instance().GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
    if (FirstRunPreferences::apply(preferences, defaults, &FirstRunPreferences::Environment::current))
        qDebug() << "checkDB: first run on this database";
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
    const QString value = GlobalData::instance().GetValue<QString>(name);
    return value.isEmpty() ? fallback : value;
}

QString AppInitialization::applicationName()
{
    return productString(QStringLiteral("ApplicationName"), QStringLiteral("Orvanta"));
}
