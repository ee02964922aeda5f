#include "settings/BaseDataPool.h"

#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/KaldoDynamicData.h"
#include "platform/Platform.h"
#include "settings/GlobalData.h"
#include "settings/HideUnhideString.h"
#include "settings/KaldoConfiguration.h"
#include "settings/OptionCatalogue.h"
#include "settings/ProductParams.h"
#include "settings/SettingsExport.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

FirstRunPreferences::Environment hospitalMachine()
{
    QNetworkProxy proxy(QNetworkProxy::HttpProxy, "proxy.hospital.example", 3128, "radiology", "s3cret|pw");
    return {"RAD-WS-07", QLocale(QLocale::German, QLocale::Germany), proxy};
}

FirstRunPreferences::Environment plainMachine(QLocale::Language language)
{
    return {"OTHER-NAME", QLocale(language), QNetworkProxy(QNetworkProxy::NoProxy)};
}

// Every test works on its own new database file, with the embedded product values loaded.
class BaseDataPoolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static const bool loaded = ProductParams::LoadParams();
        ASSERT_TRUE(loaded);
        DB::free();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        DB::setPath(TestPaths::freshFolder(QString::fromLatin1(info->name())));
    }
    void TearDown() override { DB::free(); }

    static StringMap defaults()
    {
        return GlobalData::instance().GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
    }

    static void start(BaseDataPool& pool, const FirstRunPreferences::Environment& environment)
    {
        pool.setEnvironment(environment);
        pool.init();
        pool.initDB();
    }

    static QString stored(const QString& name) { return DBPreferences().getValue(name); }
};

} // namespace

TEST_F(BaseDataPoolTest, FirstStartWritesDefaultsAndWhatItLearnsOfTheMachine)
{
    BaseDataPool pool;
    QSignalSpy published(&pool, qOverload<const QString&, const QString&>(&BaseDataPool::init));
    start(pool, hospitalMachine());

    const StringMap values = defaults();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.key() != "Language" && it.key() != "UseProxy") {
            EXPECT_EQ(stored(it.key()), it.value()) << it.key().toStdString();
        }
    }
    EXPECT_EQ(stored("DataBaseSynchronizationInterval"), "720");
    EXPECT_EQ(stored("FirstCall"), "1");
    EXPECT_EQ(stored("WorkstationName"), "RAD-WS-07");
    EXPECT_EQ(stored("Language"), "Deutsch");
    EXPECT_EQ(stored("UseProxy"), "true");
    EXPECT_EQ(stored("ProxyServerIp"), "proxy.hospital.example");
    EXPECT_EQ(stored("ProxyServerPort"), "3128");
    EXPECT_EQ(stored("ProxyUser"), "radiology");
    EXPECT_NE(stored("ProxyPassword"), "s3cret|pw");
    EXPECT_EQ(pool.password("ProxyPassword"), "s3cret|pw");
    EXPECT_TRUE(DBPreferences().getValueIsUpdate("WorkstationName"));
    EXPECT_GE(published.count(), values.size() + 6);
}

TEST_F(BaseDataPoolTest, LaterStartsKeepUserChoicesAndAddOnlyMissingDefaults)
{
    {
        BaseDataPool first;
        start(first, hospitalMachine());
        first.update("Gamma", "2.4");
    }
    // A preference the older version did not have: its row is missing.
    ASSERT_TRUE(DB::get()->delinfo("Preferences", KaldoDynamicData::Values{{"name", "RemindMinutes"}}));

    BaseDataPool second;
    start(second, plainMachine(QLocale::French));
    EXPECT_EQ(stored("Gamma"), "2.4");
    EXPECT_EQ(stored("RemindMinutes"), "5");
    EXPECT_EQ(stored("WorkstationName"), "RAD-WS-07");
    EXPECT_EQ(stored("Language"), "Deutsch");
    EXPECT_EQ(stored("UseProxy"), "true");
    EXPECT_EQ(DB::get()->count("Preferences", KaldoDynamicData::Values{{"name", "Gamma"}}), 1);

    // Asking the system for its proxy loads a library with a thread that stays for the session.
    int asked = 0;
    DBPreferences preferences;
    EXPECT_FALSE(FirstRunPreferences::apply(preferences, defaults(), [&asked] {
        ++asked;
        return hospitalMachine();
    }));
    EXPECT_EQ(asked, 0);
}

TEST_F(BaseDataPoolTest, UnknownLanguageKeepsEnglishAndNoProxyIsRecorded)
{
    BaseDataPool pool;
    start(pool, plainMachine(QLocale::Russian));
    EXPECT_EQ(stored("Language"), "English");
    EXPECT_EQ(stored("UseProxy"), "false");
    EXPECT_TRUE(stored("ProxyServerIp").isEmpty());

    const QList<QPair<QLocale::Language, QString>> languages = {
        {QLocale::German, "Deutsch"},  {QLocale::French, "Français"}, {QLocale::Italian, "Italiano"},
        {QLocale::Spanish, "Espanol"}, {QLocale::Korean, "한국어"},   {QLocale::Japanese, "日本語"},
        {QLocale::Chinese, "中国的"},  {QLocale::Russian, ""},        {QLocale::English, ""}};
    for (const auto& [language, name] : languages)
        EXPECT_EQ(FirstRunPreferences::languageName(QLocale(language)), name) << name.toStdString();
}

TEST_F(BaseDataPoolTest, OptionCatalogueIsWrittenOnceWithWellFormedLists)
{
    BaseDataPool pool;
    start(pool, plainMachine(QLocale::English));
    pool.initDB();

    const auto db = DB::get();
    QMap<QString, QString> lists;
    for (KaldoDataIterator row = db->readinfo("SettingsNames"); !row.IsNull(); ++row) {
        EXPECT_FALSE(lists.contains(row.value("name"))) << "duplicate " << row.value("name").toStdString();
        lists.insert(row.value("name"), row.value("map"));
    }
    EXPECT_EQ(lists.value("schedtestpattern"), GlobalData::instance().getString(GLOBALDATA_TESTPATTERNS));
    EXPECT_EQ(lists.value("BacklightStabilization"), "no|0|no, with range control|2|yes|1");
    EXPECT_EQ(OptionCatalogue::values(lists.value("UsedRegulation")),
              GlobalData::instance().getString(GLOBALDATA_REGULATION_NAMES).split('|'));
    EXPECT_EQ(OptionCatalogue::labels(lists.value("ScreenSize")).size(), 8);
    EXPECT_TRUE(OptionCatalogue::values(lists.value("ScreenSize")).contains("22'"));
    EXPECT_TRUE(OptionCatalogue::values(lists.value("CalibrationType")).contains(stored("CalibrationType")));
    for (const char* name :
         {"schedtype", "DaysOfWeek3", "Monthes", "taskName", "ChromaticAdaptation", "LumUnits",
          "DisplayTechnology", "ColorTemperatureAdjustment", "DataBaseSynchronizationInterval"}) {
        const QString list = lists.value(name);
        ASSERT_FALSE(list.isEmpty()) << name;
        EXPECT_EQ(list.split('|').size() % 2, 0) << name;
    }
    // Every list preference's default is one of its allowed values.
    for (const char* name :
         {"RemindMinutes", "DataBaseSynchronizationInterval", "backupPeriod", "units", "Uniformity",
          "AmbientStable", "SensorConType", "ConformancePoints", "ChromaticAdaptation"})
        EXPECT_TRUE(OptionCatalogue::values(lists.value(name)).contains(stored(name))) << name;
}

TEST_F(BaseDataPoolTest, PortListsOfferTheSerialPortsThePlatformLists)
{
    QString error;
    ASSERT_TRUE(TestWorkstation::select(
        TestPaths::freshFolder("ports-ws") + "/ws.json",
        R"({"name": "Bench", "serialPorts": {"11": "/dev/ttyUSB1", "2": "/dev/ttyS1"}})", &error))
        << error.toStdString();
    const QStringList ports = OptionCatalogue::currentSerialPorts();
    Platform::reset();
    EXPECT_EQ(ports, (QStringList{"COM2", "COM11"}));
    const auto lists = OptionCatalogue::build(GlobalData::instance(), ports);
    const auto communication = std::find_if(lists.begin(), lists.end(), [](const auto& entry) {
        return entry.first == QLatin1String("CommunicationPort");
    });
    ASSERT_NE(communication, lists.end());
    EXPECT_EQ(OptionCatalogue::values(communication->second), ports);
}

TEST_F(BaseDataPoolTest, UpdatesStoreScrambleAndSignal)
{
    BaseDataPool pool;
    start(pool, plainMachine(QLocale::English));
    QSignalSpy checkout(&pool, &BaseDataPool::checkout);
    QSignalSpy qaType(&pool, &BaseDataPool::signalQATypeChanged);
    QSignalSpy units(&pool, &BaseDataPool::signalUnitsChanged);

    pool.update("UsedRegulation", "IEC62563-1");
    EXPECT_EQ(stored("UsedRegulation"), "IEC62563-1");
    EXPECT_EQ(qaType.count(), 1);
    ASSERT_EQ(checkout.count(), 1);
    EXPECT_EQ(checkout.at(0).at(0).toString(), "UsedRegulation");

    pool.update("RemoteConnectionPassword", "top secret");
    EXPECT_NE(stored("RemoteConnectionPassword"), "top secret");
    EXPECT_EQ(stored("remoteEncrypted"), "1");
    EXPECT_EQ(HideUnhideString::unhide(stored("RemoteConnectionPassword")), "top secret");
    EXPECT_EQ(pool.password("RemoteConnectionPassword"), "top secret");

    // A proxy password another program stored plainly is still readable.
    ASSERT_TRUE(DBPreferences().setValue("ProxyPassword", "plain pw", true));
    EXPECT_EQ(pool.password("ProxyPassword"), "plain pw");

    // Preferences changed behind the pool's back and a grown regulation list show after a refresh.
    QSignalSpy updated(&pool, &BaseDataPool::signalUpdate);
    ASSERT_TRUE(DBPreferences().setValue("Room", "R 2.17", false));
    const QString regulations = GlobalData::instance().getString(GLOBALDATA_REGULATION_NAMES);
    GlobalData::instance().setString(GLOBALDATA_REGULATION_NAMES, regulations + "|My Site QA");
    pool.refreshPrefs();
    GlobalData::instance().setString(GLOBALDATA_REGULATION_NAMES, regulations);
    EXPECT_EQ(updated.count(), 1);
    EXPECT_EQ(pool.preferenceCount(), static_cast<int>(DB::get()->count("Preferences")));
    const KaldoDataIterator used =
        DB::get()->readinfo("SettingsNames", KaldoDynamicData::Values{{"name", "UsedRegulation"}});
    EXPECT_TRUE(OptionCatalogue::values(used.value("map")).contains("My Site QA"));

    pool.update("units", "inches");
    EXPECT_EQ(units.count(), 1);
    EXPECT_EQ(stored("units"), "inches");
}

TEST_F(BaseDataPoolTest, LuminanceLevelsFollowTheUserUnit)
{
    BaseDataPool pool;
    start(pool, plainMachine(QLocale::English));
    pool.update("WhiteLevel", "342.63");
    EXPECT_EQ(stored("WhiteLevel_u"), "342.63");

    pool.update("LumUnits", "fL");
    EXPECT_NEAR(stored("WhiteLevel_u").toDouble(), 100.0, 0.01);
    EXPECT_NEAR(stored("BlackLevel_u_extcombo").toDouble(), 0.09, 0.01);
    EXPECT_EQ(stored("BlackLevel_u"), stored("BlackLevel") == "native" ? "native" : stored("BlackLevel_u"));

    // A name that merely starts like a level is an ordinary preference.
    pool.update("WhiteLevelXY", "7");
    EXPECT_EQ(stored("WhiteLevelXY"), "7");
    EXPECT_NEAR(stored("WhiteLevel").toDouble(), 342.63, 0.01);

    // A level entered in foot-lamberts is kept in cd/m² as well.
    pool.update("WhiteLevel_u", "50");
    EXPECT_NEAR(stored("WhiteLevel").toDouble(), 171.31, 0.01);

    // The user's own list of levels: add and remove the current one.
    pool.update("WhiteLevel_u_extcombo", "new_element");
    EXPECT_EQ(stored("WhiteLevel_u_extcombo").split('|').count("50"), 1);
    pool.update("WhiteLevel_u_extcombo", "new_element");
    EXPECT_EQ(stored("WhiteLevel_u_extcombo").split('|').count("50"), 1);
    pool.update("WhiteLevel_u_extcombo", "del_element");
    EXPECT_FALSE(stored("WhiteLevel_u_extcombo").split('|').contains("50"));
}

TEST_F(BaseDataPoolTest, DisplaySettingsGoToTheDisplaysRowsMarkedForUpload)
{
    BaseDataPool pool;
    start(pool, plainMachine(QLocale::English));
    QSignalSpy deviceName(&pool, &BaseDataPool::signalDispalyDeviceNameChanged);
    pool.updateDisplayByID("Model", "MX-242", 4);
    pool.updateDisplayByID("Model", "MX-243", 4);
    GlobalData::instance().SetValue<int>(GLOBALDATA_CURRENT_DISPLAY_ID, 5);
    pool.updateDisplay("TypeOfDisplay", "Gray");
    GlobalData::instance().SetValue<int>(GLOBALDATA_CURRENT_DISPLAY_ID, -1);
    pool.updateDisplay("TypeOfDisplay", "Color");

    const auto db = DB::get();
    KaldoDataIterator model =
        db->readinfo("DisplayInfo", KaldoDynamicData::Values{{"displayid", "4"}, {"name", "Model"}});
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.value("value"), "MX-243");
    EXPECT_EQ(model.value("issynchron"), "0");
    EXPECT_EQ(db->readinfo("DisplayInfo", KaldoDynamicData::Values{{"displayid", "5"}}).value("value"),
              "Gray");
    EXPECT_EQ(db->count("DisplayInfo"), 2);
    EXPECT_EQ(deviceName.count(), 2);
}

TEST_F(BaseDataPoolTest, WorkstationIdIsMadeOnceFromItsAlphabet)
{
    BaseDataPool pool;
    start(pool, plainMachine(QLocale::English));
    DBPreferences preferences;
    const QString id = preferences.GetSynchronizeWorkstationId();
    EXPECT_EQ(id.size(), 32);
    EXPECT_EQ(preferences.GetSynchronizeWorkstationId(), id);
    for (int i = 0; i < 200; ++i) {
        const QString generated = DBPreferences::generateWorkstationId();
        for (const QChar c : generated)
            ASSERT_TRUE((c >= 'A' && c <= 'Y') || (c >= 'a' && c <= 'y') || (c >= '0' && c <= '8'))
                << generated.toStdString();
    }
}

TEST_F(BaseDataPoolTest, ExportedPreferencesMoveToAnotherWorkstationWithoutItsIdentity)
{
    const QString folder = TestPaths::freshFolder("export");
    const QString exported = folder + "/from-ws07.kdos";
    {
        BaseDataPool source;
        start(source, hospitalMachine());
        source.update("Gamma", "2.6");
        source.update("Department", "Radiology");
        source.update("RemoteConnectionPassword", "pw & <xml>");
        DBPreferences().GetSynchronizeWorkstationId();
        ASSERT_TRUE(SettingsExport::exportTo(exported));
    }

    DB::free();
    DB::setPath(TestPaths::freshFolder("import-target"));
    BaseDataPool target;
    start(target, plainMachine(QLocale::English));
    const QString ownId = DBPreferences().GetSynchronizeWorkstationId();
    EXPECT_GT(SettingsExport::importFrom(exported), 40);
    EXPECT_EQ(stored("Gamma"), "2.6");
    EXPECT_EQ(stored("Language"), "Deutsch");
    EXPECT_EQ(target.password("RemoteConnectionPassword"), "pw & <xml>");
    EXPECT_EQ(stored("WorkstationName"), "OTHER-NAME");
    EXPECT_TRUE(stored("Department").isEmpty());
    EXPECT_EQ(stored("synchronizeid"), ownId);

    // A damaged or foreign file changes nothing.
    QFile damaged(folder + "/damaged.kdos");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("<preferences><pref name=\"Gamma\">1.0</pref>");
    damaged.close();
    EXPECT_EQ(SettingsExport::importFrom(damaged.fileName()), -1);
    EXPECT_EQ(SettingsExport::importFrom(folder + "/missing.kdos"), -1);
    KaldoConfiguration foreign;
    foreign.CreateEmpty("tasks");
    foreign.GetStartElement().addchild("pref", "1.0").setattribute("name", "Gamma");
    ASSERT_TRUE(foreign.SaveAs(folder + "/tasks.xml"));
    EXPECT_EQ(SettingsExport::importFrom(folder + "/tasks.xml"), -1);
    EXPECT_EQ(stored("Gamma"), "2.6");
}

TEST_F(BaseDataPoolTest, TwoProcessesStartingAtOnceFillTheDatabaseOnce)
{
    const QString folder = TestPaths::freshFolder("two-starts");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_DATA_DIR", folder);
    QObject owner;
    QList<QProcess*> starts;
    for (int i = 0; i < 2; ++i) {
        auto* process = new QProcess(&owner);
        process->setProcessEnvironment(environment);
        process->start(TestPaths::ctlProgram(), {"--json", "settings", "init"});
        starts << process;
    }
    int firstStarts = 0;
    for (QProcess* process : starts) {
        ASSERT_TRUE(process->waitForFinished(120000));
        ASSERT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        const QJsonObject answer = QJsonDocument::fromJson(process->readAllStandardOutput()).object();
        EXPECT_TRUE(answer.value("ok").toBool());
        firstStarts += answer.value("firstStart").toBool() ? 1 : 0;
    }
    EXPECT_EQ(firstStarts, 1);

    DB::free();
    DB::setPath(folder);
    const auto db = DB::get();
    EXPECT_EQ(DBPreferences().getValue("FirstCall"), "1");
    QMap<QString, int> rows;
    for (KaldoDataIterator row = db->readinfo("Preferences"); !row.IsNull(); ++row)
        ++rows[row.value("name")];
    for (auto it = rows.begin(); it != rows.end(); ++it)
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
    EXPECT_GE(rows.size(), defaults().size());
    EXPECT_EQ(db->count("SettingsNames", KaldoDynamicData::Values{{"name", "schedtype"}}), 1);
}
