#include "settings/ctl/SettingsCommand.h"

#include "app/ctl/CtlContext.h"
#include "db/DB.h"
#include "settings/BaseDataPool.h"
#include "settings/GlobalData.h"
#include "settings/ProductParams.h"
#include "settings/QSettingsManager.h"
#include "settings/QSettingsWithSharing.h"
#include "settings/SettingsExport.h"

#include <QJsonObject>
#include <QStringList>

namespace {

QSettingsWithSharing openSettingsFile()
{
    const GlobalData& data = GlobalData::instance();
    return QSettingsWithSharing(QSettings::IniFormat, QSettings::SystemScope,
                                data.getString(GLOBALDATA_ORGANIZATION_NAME),
                                data.getString(GD_APPLICATION_NAME));
}

QString lines(const QJsonObject& object)
{
    QStringList text;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != QLatin1String("ok"))
            text << it.key() + QStringLiteral(": ") + it.value().toVariant().toString();
    return text.join(QLatin1Char('\n'));
}

int paths(const CtlContext& context)
{
    const QJsonObject result{
        {QStringLiteral("ok"), true},
        {QStringLiteral("dataDirectory"), QSettingsManager::GetAppRootDirectoryPath()},
        {QStringLiteral("settingsFile"), openSettingsFile().fileName()},
        {QStringLiteral("database"), QSettingsManager::GetDataBasePath()},
        {QStringLiteral("regulations"), QSettingsManager::GetUserRegulationDirectoryPath()},
        {QStringLiteral("translations"), QSettingsManager::GetUserTranslationDirectoryPath()},
        {QStringLiteral("sensorCorrections"), QSettingsManager::GetSensorCorrectionsDirectoryPath()},
        {QStringLiteral("profiles"), QSettingsManager::GetProfileDirectoryPath()},
        {QStringLiteral("printerMeasures"), QSettingsManager::GetPrinterMeasuresPath()},
        {QStringLiteral("colorTargets"), QSettingsManager::GetColorTargetsDirectoryPath()},
        {QStringLiteral("chartBoards"), QSettingsManager::GetChartBoardsDirectoryPath()}};
    return context.answer(result, lines(result));
}

int list(const CtlContext& context)
{
    const QSettingsWithSharing settings = openSettingsFile();
    QJsonObject values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("values"), values}}, lines(values));
}

int get(const CtlContext& context, const QString& key)
{
    const QSettingsWithSharing settings = openSettingsFile();
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return context.fail(QStringLiteral("%1 is not set in %2").arg(key, settings.fileName()));
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("key"), key},
                           {QStringLiteral("value"), value.toString()}},
                          value.toString());
}

int set(const CtlContext& context, const QString& key, const QString& value)
{
    QSettingsWithSharing settings = openSettingsFile();
    if (!settings.isValid())
        return context.fail(QStringLiteral("cannot open the settings file"));
    if (!settings.setValue(key, value))
        return context.fail(
            QStringLiteral("%1 was not stored in %2 (see the log)").arg(key, settings.fileName()));
    return context.answer(
        {{QStringLiteral("ok"), true}, {QStringLiteral("key"), key}, {QStringLiteral("value"), value}},
        QStringLiteral("%1 = %2").arg(key, value));
}

int remove(const CtlContext& context, const QString& key)
{
    QSettingsWithSharing settings = openSettingsFile();
    if (!settings.remove(key))
        return context.fail(
            QStringLiteral("%1 was not removed from %2 (see the log)").arg(key, settings.fileName()));
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("key"), key}},
                          QStringLiteral("%1 removed").arg(key));
}

int defaults(const CtlContext& context)
{
    const StringMap map =
        GlobalData::instance().GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
    QJsonObject values;
    for (auto it = map.begin(); it != map.end(); ++it)
        values.insert(it.key(), it.value());
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("values"), values}}, lines(values));
}

// The preferences live in the database of the data directory.
void useDatabase()
{
    if (DB::path().isEmpty())
        DB::setPath(QSettingsManager::GetDataBasePath());
}

// What the agent does with the database at start-up, for an administrator who
// prepares a workstation before anyone logs on.
int initialize(const CtlContext& context)
{
    if (!QSettingsManager::ensureDataFolders())
        return context.fail(QStringLiteral("cannot create the data folders in %1")
                                .arg(QSettingsManager::GetAppRootDirectoryPath()));
    useDatabase();
    BaseDataPool pool;
    pool.init();
    pool.initDB();
    if (pool.preferenceCount() == 0)
        return context.fail(QStringLiteral("the database in %1 is not usable").arg(DB::path()));
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("firstStart"), pool.firstStart()},
                           {QStringLiteral("preferences"), pool.preferenceCount()}},
                          QStringLiteral("%1 preferences%2")
                              .arg(pool.preferenceCount())
                              .arg(pool.firstStart() ? QStringLiteral(", first start") : QString()));
}

int exportPreferences(const CtlContext& context, const QString& file)
{
    useDatabase();
    if (!SettingsExport::exportTo(file))
        return context.fail(QStringLiteral("cannot export the preferences to %1").arg(file));
    return context.answer({{QStringLiteral("ok"), true}, {QStringLiteral("file"), file}},
                          QStringLiteral("preferences exported to %1").arg(file));
}

int importPreferences(const CtlContext& context, const QString& file)
{
    useDatabase();
    const int count = SettingsExport::importFrom(file);
    if (count < 0)
        return context.fail(
            QStringLiteral("%1 is not a readable preferences export; nothing changed").arg(file));
    return context.answer(
        {{QStringLiteral("ok"), true}, {QStringLiteral("file"), file}, {QStringLiteral("imported"), count}},
        QStringLiteral("%1 preferences imported from %2").arg(count).arg(file));
}

} // namespace

QString SettingsCommand::usage() const
{
    return QStringLiteral(
        "settings paths|list|get KEY|set KEY VALUE|remove KEY|defaults|init|export FILE|import FILE");
}

int SettingsCommand::run(const CtlContext& context) const
{
    if (!GlobalData::instance().contains(QString::fromLatin1(GD_APPLICATION_NAME)))
        ProductParams::LoadParams();
    const QStringList& args = context.arguments();
    const QString action = args.value(0);
    if (action == QLatin1String("paths") && args.size() == 1)
        return paths(context);
    if (action == QLatin1String("list") && args.size() == 1)
        return list(context);
    if (action == QLatin1String("defaults") && args.size() == 1)
        return defaults(context);
    if (action == QLatin1String("get") && args.size() == 2)
        return get(context, args.at(1));
    if (action == QLatin1String("set") && args.size() == 3)
        return set(context, args.at(1), args.at(2));
    if (action == QLatin1String("remove") && args.size() == 2)
        return remove(context, args.at(1));
    if (action == QLatin1String("init") && args.size() == 1)
        return initialize(context);
    if (action == QLatin1String("export") && args.size() == 2)
        return exportPreferences(context, args.at(1));
    if (action == QLatin1String("import") && args.size() == 2)
        return importPreferences(context, args.at(1));
    return context.fail(QStringLiteral("usage: ") + usage(), 2);
}
