#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "settings/ProductParams.h"
#include "tests/db/DisplayTablesFixture.h"
#include "tests/support/TestWorkstation.h"

#include <QJsonObject>

namespace {

// Runs the simulated workstation described by `json` and enumerates it.
void selectWorkstation(const QByteArray& json)
{
    QString error;
    ASSERT_TRUE(
        TestWorkstation::select(DataDirectory::path() + QStringLiteral("/workstation.json"), json, &error))
        << qPrintable(error);
    CurrentDisplays::NonCachedRefresh();
}

// The EDID of the simulated "MD21 Diagnost" DP-1, shown here on two outputs at once.
const QByteArray kTwinEdid =
    "00ffffffffffff002d84312ad42800000c1f0104a52b20783aee95a3544c99260f50540000000101010101010101010101010101"
    "0101e86700a080001e6030203500a73d1100001e000000fc004d44323120446961676e6f7374000000ff0037313030343532310a"
    "20202020000000fd00324c1e6e17000a2020202020200011";

// The simulated workstation has two "MD21 Diagnost" displays (DP-1, DP-2, serials
// 71004521 and 71004522) and a "PressView 24" (HDMI-1).
class RefreshDisplaysInfoTest : public DisplayTablesTest
{
protected:
    void SetUp() override
    {
        DisplayTablesTest::SetUp();
        PlatformOptions options;
        options.platform = QStringLiteral("sim");
        QString error;
        ASSERT_TRUE(Platform::select(options, &error)) << qPrintable(error);
        CurrentDisplays::NonCachedRefresh();
        ASSERT_EQ(CurrentDisplays::DisplayCount(), 3u);
    }

    void TearDown() override
    {
        CurrentDisplays::Clear();
        Platform::reset();
    }

    static void plug(const QString& output, bool connected)
    {
        const QJsonObject command{
            {QStringLiteral("cmd"), connected ? QStringLiteral("plug") : QStringLiteral("unplug")},
            {QStringLiteral("output"), output}};
        ASSERT_TRUE(Platform::workstation()->apply(command).value(QStringLiteral("ok")).toBool());
        CurrentDisplays::NonCachedRefresh();
    }

    static DBUtils::NewDisplaySettings settings()
    {
        DBUtils::NewDisplaySettings settings;
        settings.defaults = {{QStringLiteral("ScreenSize"), QStringLiteral("22'")},
                             {QStringLiteral("TypeOfDisplay"), QStringLiteral("Color")},
                             {QStringLiteral("DisplayTechnology"), QStringLiteral("FlatWLED")},
                             {QStringLiteral("CommunicationType"), QStringLiteral("3")}};
        settings.knownModel = [](const DisplayInfo& info) -> std::optional<DBUtils::KnownDisplayModel> {
            if (info.name() != QLatin1String("PressView 24"))
                return std::nullopt;
            return DBUtils::KnownDisplayModel{QStringLiteral("24'"), QStringLiteral("Color"),
                                              QStringLiteral("Flat")};
        };
        settings.today = QDate(2026, 12, 6);
        return settings;
    }

    static QString serialOf(const QList<int>& ids, int index)
    {
        return DBDisplays().getDisplayInfo(ids.at(index), QStringLiteral("SerialNumber"));
    }
};

TEST_F(RefreshDisplaysInfoTest, AttachedDisplaysGetRecordsWithTheirSettings)
{
    const QList<int> ids = DBUtils::RefreshDisplaysInfo(settings());
    ASSERT_EQ(ids.size(), 3);
    EXPECT_EQ(QSet<int>(ids.cbegin(), ids.cend()).size(), 3);

    DBDisplays displays;
    for (unsigned index = 0; index < 3; ++index) {
        const int id = ids.at(index);
        EXPECT_EQ(CurrentDisplays::DisplayId(index), id);
        EXPECT_TRUE(displays.isActive(id));
        EXPECT_EQ(displays.getRealSerial(id), CurrentDisplays::Display(index).serial());
        EXPECT_EQ(displays.getDisplayInfo(id, QStringLiteral("Model")),
                  CurrentDisplays::Display(index).name());
        EXPECT_EQ(displays.getDisplayInfo(id, QStringLiteral("InstalationDate")),
                  QStringLiteral("2026.12.06"));
        EXPECT_EQ(displays.GetCommunicationType(id), 3);
    }
    EXPECT_EQ(serialOf(ids, 0), QStringLiteral("71004521"));
    EXPECT_EQ(serialOf(ids, 1), QStringLiteral("71004522"));
    EXPECT_EQ(displays.getDisplayInfo(ids[1], QStringLiteral("ResolutionHorizontal")),
              QStringLiteral("2048"));
    EXPECT_EQ(displays.getLeft(ids[1]), 2048);
    EXPECT_EQ(displays.getWidth(ids[2]), 1920);

    // Only the model in the known-model list replaces the product defaults.
    EXPECT_EQ(displays.getDisplayInfo(ids[0], QStringLiteral("ScreenSize")), QStringLiteral("22'"));
    EXPECT_EQ(displays.getDisplayInfo(ids[0], QStringLiteral("DisplayTechnology")),
              QStringLiteral("FlatWLED"));
    EXPECT_EQ(displays.getDisplayInfo(ids[2], QStringLiteral("ScreenSize")), QStringLiteral("24'"));
    EXPECT_EQ(displays.getDisplayInfo(ids[2], QStringLiteral("DisplayTechnology")), QStringLiteral("Flat"));

    // The snapshot holds one row per attached display, keyed by its id.
    EXPECT_EQ(rows(QStringLiteral("CurrentDisplays")), 3);
    EXPECT_EQ(
        rows(QStringLiteral("CurrentDisplays"), {{QStringLiteral("id"), QString::number(ids[2])},
                                                 {QStringLiteral("osdevname"), QStringLiteral("HDMI-1")}}),
        1);

    // A second refresh finds the same records instead of adding new ones.
    EXPECT_EQ(DBUtils::RefreshDisplaysInfo(settings()), ids);
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);
}

TEST_F(RefreshDisplaysInfoTest, UnpluggedDisplayStaysKnownButInactive)
{
    const QList<int> ids = DBUtils::RefreshDisplaysInfo(settings());
    ASSERT_EQ(ids.size(), 3);
    DBDisplays displays;
    ASSERT_TRUE(
        displays.setDisplayInfo(ids[1], QStringLiteral("ExcludeDisplayFromTC"), QStringLiteral("true")));

    plug(QStringLiteral("DP-2"), false);
    const QList<int> remaining = DBUtils::RefreshDisplaysInfo(settings());
    EXPECT_EQ(remaining, (QList<int>{ids[0], ids[2]}));
    EXPECT_TRUE(displays.isActive(ids[0]));
    EXPECT_FALSE(displays.isActive(ids[1]));
    EXPECT_TRUE(displays.isActive(ids[2]));
    EXPECT_EQ(rows(QStringLiteral("CurrentDisplays")), 2);
    EXPECT_EQ(CurrentDisplays::DisplayId(1), ids[2]);

    // Attached again, it comes back under its old record with its settings.
    plug(QStringLiteral("DP-2"), true);
    EXPECT_EQ(DBUtils::RefreshDisplaysInfo(settings()), ids);
    EXPECT_TRUE(displays.isActive(ids[1]));
    EXPECT_EQ(displays.getDisplayInfo(ids[1], QStringLiteral("ExcludeDisplayFromTC")),
              QStringLiteral("true"));
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);
}

TEST_F(RefreshDisplaysInfoTest, SerialSetByTheUserKeepsTheRecord)
{
    const QList<int> ids = DBUtils::RefreshDisplaysInfo(settings());
    ASSERT_EQ(ids.size(), 3);
    CurrentDisplays::setDisplaySerial(ids[0], QStringLiteral("WARD-7-LEFT"));
    CurrentDisplays::NonCachedRefresh();
    ASSERT_EQ(CurrentDisplays::Display(0).serial(), QStringLiteral("WARD-7-LEFT"));

    EXPECT_EQ(DBUtils::RefreshDisplaysInfo(settings()), ids);
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);
    EXPECT_EQ(serialOf(ids, 0), QStringLiteral("WARD-7-LEFT"));
}

TEST_F(RefreshDisplaysInfoTest, ModelEditedByTheUserKeepsTheRecordAndItsLut)
{
    const QList<int> ids = DBUtils::RefreshDisplaysInfo(settings());
    ASSERT_EQ(ids.size(), 3);
    const DBDisplayCurrentLUT::Channels table(3, std::vector<int>(256, 4096));
    ASSERT_GE(DBDisplayCurrentLUT().storeLUT(ids[0], 2, 0, table), 0);
    ASSERT_TRUE(
        DBDisplays().setDisplayInfo(ids[0], QStringLiteral("Model"), QStringLiteral("Reading room left")));
    CurrentDisplays::NonCachedRefresh();

    EXPECT_EQ(DBUtils::RefreshDisplaysInfo(settings()), ids);
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);
    EXPECT_EQ(DBDisplayCurrentLUT().readEntryByDisplayId(ids[0]), table);

    // A record made before the hardware identity was kept is still found by serial and model.
    ASSERT_TRUE(DB::get()->exec(QStringLiteral("DELETE FROM DisplayInfo WHERE name = 'HardwareIdentity'")));
    EXPECT_EQ(DBUtils::RefreshDisplaysInfo(settings()), ids);
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);
}

TEST_F(RefreshDisplaysInfoTest, EmptyEnumerationFallsBackToTheSnapshot)
{
    const QList<int> ids = DBUtils::RefreshDisplaysInfo(settings());
    ASSERT_EQ(ids.size(), 3);
    DBCurrentDisplays snapshot;
    ASSERT_TRUE(snapshot.SetIsBackgroundCalibrationEnabled(ids[0], true));
    CurrentDisplays::setInternalSensor(ids[1], true);
    EXPECT_FALSE(snapshot.SetIsBackgroundCalibrationEnabled(4711, true));

    // Saving the snapshot again keeps what the agent set per display.
    ASSERT_TRUE(DBUtils::SaveDisplaysInfoToDB());
    EXPECT_TRUE(snapshot.IsBackgroundCalibrationEnabled(ids[0]));
    EXPECT_FALSE(snapshot.IsBackgroundCalibrationEnabled(ids[1]));

    CurrentDisplays::Clear();
    EXPECT_EQ(DBUtils::RefreshDisplaysInfo(settings()), ids);
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 3u);
    EXPECT_EQ(CurrentDisplays::Display(2).name(), QStringLiteral("PressView 24"));
    EXPECT_EQ(CurrentDisplays::Display(1).rect(), QRect(2048, 0, 2048, 1536));
    EXPECT_EQ(CurrentDisplays::Display(0).deviceName(), QStringLiteral("DP-1"));
    EXPECT_TRUE(CurrentDisplays::internalSensor(ids[1]));
    EXPECT_FALSE(CurrentDisplays::internalSensor(ids[0]));
    EXPECT_TRUE(DBDisplays().isActive(ids[0]));
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);

    // Nothing enumerated and nothing saved: the records keep their state.
    CurrentDisplays::Clear();
    ASSERT_TRUE(DB::get()->exec(QStringLiteral("DELETE FROM CurrentDisplays")));
    EXPECT_TRUE(DBUtils::RefreshDisplaysInfo(settings()).isEmpty());
    EXPECT_TRUE(DBDisplays().isActive(ids[0]));
}

TEST_F(RefreshDisplaysInfoTest, StoredLutIsOnlyTrustedForTheDisplayItWasWrittenFor)
{
    const QList<int> ids = DBUtils::RefreshDisplaysInfo(settings());
    ASSERT_EQ(ids.size(), 3);
    DBDisplays displays;
    EXPECT_NE(DBUtils::displayIdentity(ids[0]), DBUtils::displayIdentity(ids[1]));
    EXPECT_TRUE(DBUtils::displayIdentity(4711).isEmpty());

    ASSERT_TRUE(displays.addCalibrationHash(ids[0]));
    EXPECT_TRUE(displays.checkCalibrationHash(ids[0]));
    EXPECT_FALSE(displays.checkCalibrationHash(ids[1]));

    // The twin display given the first one's record id must not take its LUT.
    displays.setDisplayInfo(ids[1], QStringLiteral("LastLUTHash"),
                            displays.getDisplayInfo(ids[0], QStringLiteral("LastLUTHash")), false);
    EXPECT_FALSE(displays.checkCalibrationHash(ids[1]));

    // Unplugged, no display answers for the id any more.
    plug(QStringLiteral("DP-1"), false);
    DBUtils::RefreshDisplaysInfo(settings());
    EXPECT_FALSE(displays.checkCalibrationHash(ids[0]));
    EXPECT_FALSE(displays.addCalibrationHash(ids[0]));
}

// Outputs without EDID are told apart by their output names; two outputs showing the
// same EDID still get a record each.
TEST_F(DisplayTablesTest, LookAlikeDisplaysGetARecordEach)
{
    selectWorkstation(R"({"videoCards": [{"id": "card0", "name": "Card", "rampSize": 256}],
                   "displays": [{"output": "VGA-1", "card": "card0", "rect": [0, 0, 1280, 1024]},
                                {"output": "VGA-2", "card": "card0", "rect": [1280, 0, 1280, 1024]},
                                {"output": "DP-1", "card": "card0", "rect": [2560, 0, 1920, 1200], "edid": ")" +
                      kTwinEdid + R"("},
                                {"output": "DP-2", "card": "card0", "rect": [4480, 0, 1920, 1200], "edid": ")" +
                      kTwinEdid + R"("}]})");
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 4u);

    const QList<int> ids = DBUtils::RefreshDisplaysInfo({});
    ASSERT_EQ(ids.size(), 4);
    EXPECT_EQ(QSet<int>(ids.cbegin(), ids.cend()).size(), 4);
    DBDisplays displays;
    EXPECT_EQ(displays.getRealSerial(ids[1]), QStringLiteral("VGA-2"));
    EXPECT_EQ(displays.getDisplayInfo(ids[1], QStringLiteral("ResolutionHorizontal")),
              QStringLiteral("1280"));
    EXPECT_EQ(DBUtils::displayIdentity(ids[1]), QStringLiteral("output:VGA-2"));
    EXPECT_EQ(displays.getRealSerial(ids[2]), displays.getRealSerial(ids[3]));
    EXPECT_EQ(displays.getLeft(ids[3]), 4480);

    EXPECT_EQ(DBUtils::RefreshDisplaysInfo({}), ids);
    EXPECT_EQ(rows(QStringLiteral("Displays")), 4);

    CurrentDisplays::Clear();
    Platform::reset();
}

// A model of the embedded known-display list gets its type, backlight and size; others
// keep the product's display defaults.
TEST_F(DisplayTablesTest, KnownModelReplacesTheProductDefaults)
{
    ASSERT_TRUE(ProductParams::LoadParams());
    // The twin EDID turned into a known model: maker code, product code and name changed.
    const QByteArray knownEdid =
        "00ffffffffffff0012c101f0d42800000c1f0104a52b20783aee95a3544c99260f5054000000010101010101010101010101"
        "01010101e86700a080001e6030203500a73d1100001e000000fc00524150323130324c4d492d5349000000ff003731303034"
        "3532310a20202020000000fd00324c1e6e17000a2020202020200053";
    selectWorkstation(R"({"videoCards": [{"id": "card0", "name": "Card", "rampSize": 256}],
                   "displays": [{"output": "DP-1", "card": "card0", "rect": [0, 0, 1920, 1200], "edid": ")" +
                      knownEdid + R"("},
                                {"output": "DP-2", "card": "card0", "rect": [1920, 0, 1920, 1200], "edid": ")" +
                      kTwinEdid + R"("}]})");
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 2u);
    ASSERT_EQ(CurrentDisplays::Display(0).name(), QStringLiteral("RAP2102LMI-SI"));

    const QList<int> ids = DBUtils::RefreshDisplaysInfo();
    ASSERT_EQ(ids.size(), 2);
    DBDisplays displays;
    EXPECT_EQ(displays.getDisplayInfo(ids[0], QStringLiteral("DisplayTechnology")), QStringLiteral("Flat"));
    EXPECT_EQ(displays.getDisplayInfo(ids[0], QStringLiteral("TypeOfDisplay")), QStringLiteral("Color"));
    EXPECT_EQ(displays.getDisplayInfo(ids[0], QStringLiteral("ScreenSize")), QStringLiteral("21'"));
    EXPECT_EQ(displays.getDisplayInfo(ids[1], QStringLiteral("DisplayTechnology")),
              QStringLiteral("FlatWLED"));
    EXPECT_EQ(displays.getDisplayInfo(ids[1], QStringLiteral("ScreenSize")), QStringLiteral("22'"));
    // Every display default reached both records.
    EXPECT_EQ(displays.getDisplayInfo(ids[1], QStringLiteral("BacklightStabilization")), QStringLiteral("0"));

    CurrentDisplays::Clear();
    Platform::reset();
}

TEST_F(DisplayTablesTest, DamagedSnapshotRowLoadsWithoutItsBrokenParts)
{
    // Written by another program that does not check its values.
    ASSERT_TRUE(DB::get()->exec(
        QStringLiteral("INSERT INTO CurrentDisplays(id, edid, edid_size, name, serial, width, height) "
                       "VALUES (5, 'zz-not-hex', 99999, 'Broken', 'B-1', -5, 'abc')")));
    ASSERT_TRUE(DBUtils::LoadDisplaysInfoFromDB());
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 1u);
    EXPECT_EQ(CurrentDisplays::DisplayId(0), 5);
    EXPECT_EQ(CurrentDisplays::Display(0).serial(), QStringLiteral("B-1"));
    EXPECT_FALSE(CurrentDisplays::Display(0).hasRect());
    EXPECT_LE(CurrentDisplays::Display(0).edidLength(), DisplayInfo::MaxEdidBytes);
    CurrentDisplays::Clear();
}

TEST(DisplayScreenSizeTest, DiagonalInWholeInches)
{
    DisplayInfo info;
    EXPECT_TRUE(DBUtils::screenSizeText(info).isEmpty());
    info.setPhysicalSize(597, 336);
    EXPECT_EQ(DBUtils::screenSizeText(info), QStringLiteral("27'"));
    info.setPhysicalSize(474, 296);
    EXPECT_EQ(DBUtils::screenSizeText(info), QStringLiteral("22'"));
}

TEST_F(RefreshDisplaysInfoTest, FairyDisplayTakesThePlaceOfTheUnidentifiedDisplay)
{
    DisplayInfo unknown;
    unknown.setDeviceName(QStringLiteral("DP-7"));
    unknown.setRect(QRect(6016, 0, 1280, 1024));
    CurrentDisplays::AddDisplay(900, unknown);

    DBDisplays displays;
    const int fairy = displays.getFairyDisplay(900);
    ASSERT_GE(fairy, 0);
    EXPECT_EQ(displays.getLeft(fairy), 6016);
    EXPECT_EQ(displays.getWidth(fairy), 1280);
    EXPECT_EQ(displays.getDisplayInfo(fairy, QStringLiteral("ResolutionVertical")), QStringLiteral("1024"));
}

} // namespace
