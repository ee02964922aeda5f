#include "lut/WindowsLUT.h"

#include "displays/CurrentDisplays.h"
#include "lut/GammaRampScaler.h"
#include "lut/KaldoDisplayProfile.h"
#include "platform/OSProfile.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/lut/gamma/SimGammaFixture.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

luts_t rampAsTable(const GammaRamp& ramp)
{
    luts_t table;
    for (const auto& channel : ramp)
        table.emplace_back(channel.begin(), channel.end());
    return table;
}

} // namespace

using WindowsLUTTest = SimGammaFixture;

TEST_F(WindowsLUTTest, TableWithTooSmallMaximumIsRefusedAndLeavesTheCardAlone)
{
    WindowsLUT lut(1, "DP-1");
    const luts_t good = curveTable(2.2);
    ASSERT_TRUE(lut.Activate(good));
    const std::optional<GammaRamp> before = cardRamp("DP-1");
    ASSERT_TRUE(before);

    // Top entries just under half the range: an 8-bit-ish table that would darken the screen.
    for (const int top : {255, 32639}) {
        LogCapture log;
        EXPECT_FALSE(lut.UploadLUT(curveTable(2.2, top))) << top;
        EXPECT_TRUE(log.contains("max LUT value is too small")) << qPrintable(log.all());
        EXPECT_TRUE(log.contains("RealUploadLUT failed"));
        EXPECT_FALSE(lut.ok());
        EXPECT_EQ(cardRamp("DP-1"), before);
        luts_t current;
        lut.GetCurrentLUT(current);
        EXPECT_EQ(current, good);
    }
    EXPECT_EQ(writes("DP-1"), 1);

    // Half the range exactly is enough.
    luts_t half(3, std::vector<int>(256, 0));
    half[2].back() = 32640;
    EXPECT_TRUE(lut.UploadLUT(half));
}

TEST_F(WindowsLUTTest, ShortOrNarrowTablesAreRefusedBeforeTheCardIsTouched)
{
    WindowsLUT lut(1, "DP-1");
    luts_t twoChannels = curveTable(2.2);
    twoChannels.pop_back();
    luts_t shortChannel = curveTable(2.2);
    shortChannel[1].resize(255);
    EXPECT_FALSE(lut.UploadLUT(twoChannels));
    EXPECT_FALSE(lut.UploadLUT(shortChannel));
    EXPECT_FALSE(lut.UploadLUT({}));
    EXPECT_EQ(writes("DP-1"), 0);
}

TEST_F(WindowsLUTTest, SameTableTwiceUploadsOnceAndForceLoadsLinearFirstWhereTheDriverNeedsIt)
{
    WindowsLUT lut(14, "DP-14");
    std::vector<int> waits;
    lut.setWaitFunction([&waits](int ms) { waits.push_back(ms); });
    const luts_t table = curveTable(1.8);

    ASSERT_TRUE(lut.Activate(table));
    EXPECT_EQ(writes("DP-14"), 1);
    {
        LogCapture log;
        EXPECT_TRUE(lut.Activate(table));
        EXPECT_TRUE(lut.ok());
        EXPECT_TRUE(log.contains("same GC LUT - skip activation")) << qPrintable(log.all());
    }
    EXPECT_EQ(writes("DP-14"), 1);

    // A new LUT object for the same display finds the card already loaded, as after a restart.
    WindowsLUT again(14, "DP-14");
    again.setWaitFunction([](int) {});
    EXPECT_TRUE(again.Activate(table));
    EXPECT_EQ(writes("DP-14"), 1);

    LogCapture log;
    lut.forceLutActivation();
    ASSERT_TRUE(lut.Activate(table));
    EXPECT_TRUE(log.contains("clean-up graphics-card LUT for force LUT activation"));
    EXPECT_TRUE(log.contains("force LUT activation"));
    EXPECT_EQ(writes("DP-14"), 3); // linear, then the table
    EXPECT_NE(std::find(waits.begin(), waits.end(), 5000), waits.end());
    EXPECT_EQ(rampAsTable(*cardRamp("DP-14")), table);

    // The force is used up by that activation.
    EXPECT_TRUE(lut.Activate(table));
    EXPECT_EQ(writes("DP-14"), 3);
}

TEST_F(WindowsLUTTest, ForcedLoadOnADriverThatTakesRepeatedRampsNeverShowsTheLinearTable)
{
    WindowsLUT lut(1, "DP-1");
    std::vector<int> waits;
    lut.setWaitFunction([&waits](int ms) { waits.push_back(ms); });
    const luts_t table = curveTable(1.8);
    ASSERT_TRUE(lut.Activate(table));

    LogCapture log;
    lut.forceLutActivation();
    ASSERT_TRUE(lut.Activate(table));
    EXPECT_TRUE(log.contains("clean-up graphics-card LUT for force LUT activation"));
    EXPECT_TRUE(log.contains("written directly")) << qPrintable(log.all());
    EXPECT_EQ(writes("DP-1"), 2); // the table again, nothing in between
    EXPECT_EQ(std::find(waits.begin(), waits.end(), 5000), waits.end());
    EXPECT_EQ(rampAsTable(*cardRamp("DP-1")), table);
}

TEST_F(WindowsLUTTest, RampChangedByAnotherProgramIsRestoredAndReported)
{
    WindowsLUT lut(1, "DP-1");
    const luts_t table = curveTable(2.2);
    ASSERT_TRUE(lut.Activate(table));
    {
        LogCapture log;
        ASSERT_TRUE(lut.Activate(table));
        EXPECT_FALSE(log.contains("changed by another program"));
    }
    WindowsLUT intruder(9, "DP-1");
    ASSERT_TRUE(intruder.UploadLUT(curveTable(1.0)));

    LogCapture log;
    ASSERT_TRUE(lut.Activate(table));
    EXPECT_TRUE(log.contains("display 1 (DP-1): the ramp had been changed by another program"))
        << qPrintable(log.all());
    EXPECT_EQ(rampAsTable(*cardRamp("DP-1")), table);
}

TEST_F(WindowsLUTTest, DeactivateLeavesALinearCardAloneAndRestoresAnotherOne)
{
    WindowsLUT lut(1, "DP-2");
    lut.setWaitFunction([](int) {});
    luts_t linear;
    lut.GetInitialization(linear);
    ASSERT_TRUE(lut.Activate(linear));
    const int afterLinear = writes("DP-2");
    EXPECT_TRUE(lut.Deactivate());
    EXPECT_EQ(writes("DP-2"), afterLinear);

    ASSERT_TRUE(lut.Activate(curveTable(2.4)));
    EXPECT_TRUE(lut.Deactivate());
    EXPECT_EQ(rampAsTable(*cardRamp("DP-2")), linear);
}

TEST_F(WindowsLUTTest, RampWrittenToOneOutputLeavesTheOthersAlone)
{
    const std::optional<GammaRamp> dp2 = cardRamp("DP-2");
    const std::optional<GammaRamp> hdmi = cardRamp("HDMI-1");
    WindowsLUT lut(1, "DP-1");
    ASSERT_TRUE(lut.Activate(curveTable(2.2)));
    EXPECT_EQ(cardRamp("DP-2"), dp2);
    EXPECT_EQ(cardRamp("HDMI-1"), hdmi);
}

TEST_F(WindowsLUTTest, RefusedRampIsOfferedFiveTimesAtMost)
{
    const luts_t table = curveTable(2.2);
    {
        WindowsLUT lut(4, "DP-4"); // the driver refuses twice
        LogCapture log;
        EXPECT_TRUE(lut.UploadLUT(table));
        EXPECT_EQ(log.all().count("retry SetDeviceGammaRamp"), 2);
        EXPECT_EQ(rampAsTable(*cardRamp("DP-4")), table);
    }
    WindowsLUT lut(5, "DP-5"); // refuses every time
    LogCapture log;
    EXPECT_FALSE(lut.UploadLUT(table));
    EXPECT_EQ(log.all().count("retry SetDeviceGammaRamp"), 4);
    EXPECT_TRUE(log.contains("SetDeviceGammaRamp return value false"));
    EXPECT_FALSE(lut.ok());
    luts_t current;
    lut.GetCurrentLUT(current);
    EXPECT_TRUE(current.empty());
    EXPECT_EQ(writes("DP-5"), 0);

    // The next upload is a new one, with its own five tries (the sixth write succeeds).
    EXPECT_TRUE(lut.UploadLUT(table));
}

TEST_F(WindowsLUTTest, OutputWithoutRampFailsUnlessOSLUTIsIgnored)
{
    const luts_t table = curveTable(2.2);
    for (const QString output : {"DP-3", "DP-6", "NOPE-9"}) {
        WindowsLUT lut(3, output);
        LogCapture log;
        EXPECT_FALSE(lut.UploadLUT(table)) << qPrintable(output);
        EXPECT_TRUE(log.contains("CreateDCA failed")) << qPrintable(log.all());
        luts_t readBack{{1, 2, 3}};
        EXPECT_FALSE(lut.DownloadLUT(readBack));
        EXPECT_EQ(readBack, luts_t({{1, 2, 3}}));

        LogCapture ignoring;
        lut.ignoreOSLUT();
        EXPECT_TRUE(ignoring.contains("WindowsLUT::skipOSLUT()"));
        EXPECT_TRUE(lut.UploadLUT(table)) << qPrintable(output);
        EXPECT_TRUE(lut.ok());
    }
}

TEST_F(WindowsLUTTest, UnreadableRampIsNeverTakenForTheSameTable)
{
    WindowsLUT lut(7, "DP-7");
    lut.setWaitFunction([](int) {});
    const luts_t table = curveTable(2.2);
    ASSERT_TRUE(lut.Activate(table));
    ASSERT_TRUE(lut.Activate(table)); // cannot read back, so it loads again
    EXPECT_EQ(writes("DP-7"), 2);
}

TEST_F(WindowsLUTTest, TablesOnLargerAndSmallerRampsFollowTheSizeRules)
{
    const luts_t table = curveTable(2.2);
    {
        WindowsLUT lut(2, "HDMI-1"); // 1024 entries
        lut.setWaitFunction([](int) {});
        ASSERT_TRUE(lut.Activate(table));
        const GammaRamp ramp = *cardRamp("HDMI-1");
        ASSERT_EQ(ramp[0].size(), 1024u);
        // The entries an 8-bit input level selects hold the table exactly.
        EXPECT_EQ(ramp[0][0], table[0][0]);
        EXPECT_EQ(ramp[1][1023], table[1][255]);
        EXPECT_EQ(ramp[2][257], table[2][64]); // 64 * 1023 / 255 = 256.75
        // Between them the ramp rises evenly.
        EXPECT_GE(ramp[0][600], ramp[0][599]);
        luts_t readBack;
        ASSERT_TRUE(lut.DownloadLUT(readBack));
        EXPECT_EQ(readBack, table);
        EXPECT_TRUE(lut.Activate(table));
        EXPECT_EQ(writes("HDMI-1"), 1);
    }
    WindowsLUT coarse(3, "VGA-1"); // 16 entries
    coarse.setWaitFunction([](int) {});
    ASSERT_TRUE(coarse.Activate(table));
    const GammaRamp ramp = *cardRamp("VGA-1");
    ASSERT_EQ(ramp[0].size(), 16u);
    EXPECT_EQ(ramp[0][15], table[0][255]);
    EXPECT_EQ(ramp[0][5], table[0][85]); // 5 * 255 / 15 = 85
    luts_t readBack;
    ASSERT_TRUE(coarse.DownloadLUT(readBack));
    ASSERT_EQ(readBack.size(), 3u);
    EXPECT_EQ(readBack[0].size(), 256u);
    EXPECT_EQ(readBack[0][85], table[0][85]);
    EXPECT_NEAR(readBack[0][100], table[0][100], 600);
}

TEST_F(WindowsLUTTest, ProfileIsKeptInStepWithTheCard)
{
    const QString profileFile = TestPaths::freshFolder("gamma-profile") + "/display.icc";
    KaldoDisplayProfile profile(profileFile, "DP-1", 1, "Gamma test");
    WindowsLUT lut(1, "DP-1");
    lut.setWaitFunction([](int) {});
    lut.attachProfile(&profile);
    ASSERT_TRUE(lut.isProfileAttached());

    const luts_t table = curveTable(2.2);
    ASSERT_TRUE(lut.Activate(table));
    luts_t inProfile;
    ASSERT_TRUE(lut.DownloadProfileLUT(inProfile));
    EXPECT_EQ(inProfile, table);

    LogCapture log;
    EXPECT_TRUE(lut.Activate(table));
    EXPECT_TRUE(log.contains("same GC and profile LUTs - skip activation")) << qPrintable(log.all());
    EXPECT_EQ(writes("DP-1"), 1);

    // A card changed behind our back is loaded again even though the profile matches.
    WindowsLUT other(1, "DP-1");
    ASSERT_TRUE(other.UploadLUT(curveTable(1.0)));
    EXPECT_TRUE(lut.Activate(table));
    EXPECT_EQ(rampAsTable(*cardRamp("DP-1")), table);
}

TEST_F(WindowsLUTTest, UploadWithoutProgressStepsEmitsNoProgressSignals)
{
    WindowsLUT lut(1, "DP-1");
    QSignalSpy start(&lut, &LUT::signalStartLUTUpload);
    QSignalSpy finish(&lut, &LUT::signalFinishLUTUpload);
    ASSERT_TRUE(lut.UploadLUT(curveTable(2.2)));
    EXPECT_EQ(start.count(), 0);
    EXPECT_EQ(finish.count(), 0);
}

TEST_F(WindowsLUTTest, DisplayIdFollowsTheCurrentEnumeration)
{
    CurrentDisplays::Clear();
    CurrentDisplays::NonCachedRefresh();
    int id = -1;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        if (CurrentDisplays::Display(i).deviceName() == "DP-2")
            id = CurrentDisplays::DisplayId(i);
    }
    ASSERT_GE(id, 0);
    WindowsLUT lut(id, [id] { return CurrentDisplays::DisplayById(id).deviceName(); });
    EXPECT_EQ(lut.deviceName(), "DP-2");
    const luts_t table = curveTable(2.2);
    ASSERT_TRUE(lut.UploadLUT(table));
    EXPECT_EQ(rampAsTable(*cardRamp("DP-2")), table);
    EXPECT_EQ(writes("DP-1"), 0);

    // Unplugged: the display has no output any more, and nothing else is written instead.
    ASSERT_TRUE(Platform::workstation()->apply({{"cmd", "unplug"}, {"output", "DP-2"}}).value("ok").toBool());
    CurrentDisplays::NonCachedRefresh();
    LogCapture log;
    EXPECT_FALSE(lut.UploadLUT(curveTable(1.0)));
    EXPECT_TRUE(log.contains("CreateDCA failed"));
    CurrentDisplays::Clear();
}

TEST_F(WindowsLUTTest, ProfileLUTLoadsTheDisplaysOwnProfile)
{
    ProfileLUT lut;
    lut.setWaitFunction([](int) {});
    const luts_t table = curveTable(2.2, 65535);
    {
        LogCapture log;
        EXPECT_FALSE(lut.Activate(table));
        EXPECT_TRUE(log.contains("ProfileLUT. Failed - no profile"));
    }
    lut.attachCurrentProfile(1, "DP-1");
    ASSERT_TRUE(lut.isProfileAttached());
    ASSERT_TRUE(lut.Activate(table));
    const QString associated = OSProfile::currentDisplayProfile("DP-1");
    EXPECT_TRUE(associated.startsWith(OSProfile::profilepath())) << qPrintable(associated);
    EXPECT_TRUE(associated.contains("DP-1")) << qPrintable(associated);
    luts_t inProfile;
    ASSERT_TRUE(lut.DownloadLUT(inProfile));
    EXPECT_EQ(inProfile, table);

    LogCapture log;
    EXPECT_TRUE(lut.Activate(table));
    EXPECT_TRUE(log.contains("same GC and profile LUTs - skip activation")) << qPrintable(log.all());
    EXPECT_EQ(writes("DP-1"), 0); // a profile LUT leaves the card to the system

    // A second object for the same display finds its profile with the table in it.
    ProfileLUT again;
    again.attachCurrentProfile(1, "DP-1");
    luts_t found;
    ASSERT_TRUE(again.DownloadProfileLUT(found));
    EXPECT_EQ(found, table);
}

TEST_F(WindowsLUTTest, CurrentProfileIsUsedOnlyWhenItIsOurs)
{
    const QString calibrated = OSProfile::profilepath() + "/" +
                               KaldoDisplayProfile::generateProfileName(2, "MD21 Diagnost", "7100452");
    {
        KaldoDisplayProfile profile(calibrated, "DP-2", 2, "Calibrated");
        ASSERT_TRUE(profile.SaveToFile());
        ASSERT_TRUE(OSProfile::ApplyProfile(calibrated, "DP-2", QString()));
    }
    ProfileLUT lut;
    lut.setWaitFunction([](int) {});
    lut.attachCurrentProfile(2, "DP-2", "MD21 Diagnost", "7100452");
    const luts_t table = curveTable(2.2, 65535);
    ASSERT_TRUE(lut.Activate(table));
    EXPECT_EQ(QFileInfo(OSProfile::currentDisplayProfile("DP-2")).fileName(),
              QFileInfo(calibrated).fileName());
    luts_t stored;
    ASSERT_TRUE(KaldoDisplayProfile(calibrated, "DP-2", 2, QString()).ReadLUT(stored));
    EXPECT_EQ(stored, table);

    // A profile the user installed (not ours) stays the display's profile and is not written;
    // the card alone takes the table.
    const QString source = TestPaths::freshFolder("vendor-icc") + "/vendor.icc";
    ASSERT_TRUE(KaldoDisplayProfile(source, "HDMI-1", 3, "Vendor").SaveToFile());
    ASSERT_TRUE(OSProfile::ApplyProfile(source, "HDMI-1", QString()));
    const QString installed = OSProfile::currentDisplayProfile("HDMI-1");
    const QByteArray before = bytesOf(installed);
    ASSERT_FALSE(before.isEmpty());
    WindowsLUT other(3, "HDMI-1");
    other.setWaitFunction([](int) {});
    other.attachCurrentProfile(3, "HDMI-1", "MD21 Diagnost", "7100453");
    EXPECT_FALSE(other.isProfileAttached());
    ASSERT_TRUE(other.Activate(table));
    EXPECT_EQ(bytesOf(installed), before);
    EXPECT_EQ(OSProfile::currentDisplayProfile("HDMI-1"), installed);
    luts_t onCard;
    ASSERT_TRUE(other.DownloadLUT(onCard));
    EXPECT_EQ(onCard, table);
}

TEST_F(WindowsLUTTest, AnotherDisplaysProfileIsLeftByteForByteAndTheDisplayGetsItsOwn)
{
    const QString foreign = OSProfile::profilepath() + "/kaldo_OtherModel_SN999.icc";
    {
        KaldoDisplayProfile profile(foreign, "DP-1", 1, "Other display");
        ASSERT_TRUE(profile.InsertLUT(curveTable(1.4, 65535)));
        ASSERT_TRUE(OSProfile::ApplyProfile(foreign, "DP-1", QString()));
    }
    const QByteArray before = bytesOf(foreign);
    ASSERT_FALSE(before.isEmpty());

    WindowsLUT lut(1, "DP-1");
    lut.setWaitFunction([](int) {});
    lut.attachCurrentProfile(1, "DP-1", "MD21 Diagnost", "7100452");
    const luts_t table = curveTable(2.2);
    ASSERT_TRUE(lut.Activate(table));
    EXPECT_EQ(bytesOf(foreign), before);
    const QString own = OSProfile::currentDisplayProfile("DP-1");
    EXPECT_EQ(QFileInfo(own).fileName(), "kaldo_MD21 Diagnost_7100452.icc");
    luts_t inOwn;
    ASSERT_TRUE(KaldoDisplayProfile(own, "DP-1", 1, QString()).ReadLUT(inOwn));
    EXPECT_EQ(inOwn, table);
}
