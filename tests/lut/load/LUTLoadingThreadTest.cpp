// Loading and unloading stored LUTs through the loading thread on the simulated workstation.
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBUniformity.h"
#include "db/KaldoDynamicData.h"
#include "displays/BaseDisplay.h"
#include "lut/DisplayList.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimGammaRamps.h"
#include "platform/sim/SimMatroxBoards.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/lut/load/LutLoadFixture.h"
#include "tests/lut/profile/LogCapture.h"

namespace {

using LUTLoadingThreadTest = LutLoadFixture;

const SimMatroxBoards& boards()
{
    return dynamic_cast<const SimMatroxBoards&>(Platform::backend().matroxBoards());
}

int cardWrites(const QString& output)
{
    return dynamic_cast<const SimGammaRamps&>(Platform::backend().gammaRamps()).writeCount(output);
}

luts_t heldByDisplay(int id)
{
    luts_t held;
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(id);
    if (display && display->attachedLUT())
        display->attachedLUT()->DownloadLUT(held);
    return held;
}

// The forced path shows the linear table for a while; tests do not wait for it.
void skipWaits(int id)
{
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(id);
    ASSERT_TRUE(display && display->attachedLUT());
    display->attachedLUT()->setWaitFunction([](int) {});
}

} // namespace

TEST_F(LUTLoadingThreadTest, StoredLUTReadsBackFromEveryKindOfTarget)
{
    const luts_t card = curve(256, 65280);
    const luts_t wide = curve(256, 64000, 1.8);
    const luts_t board = curve(1024, 65535, 2.4);
    storeLut("DP-1", card);
    storeLut("HDMI-1", wide);
    storeLut("DP-8", board);

    for (const QString output : {"DP-1", "HDMI-1", "DP-8"}) {
        const Run run = runLoad(output, true);
        EXPECT_EQ(run.fails, 0) << qPrintable(output);
        EXPECT_EQ(run.finishedSignals, 1) << qPrintable(output);
        EXPECT_TRUE(run.calibrated) << qPrintable(output);
    }
    // The video card's ramp, and the display's profile kept in step with it.
    EXPECT_EQ(cardTable("DP-1"), card);
    EXPECT_EQ(associatedProfileTable("DP-1"), card);
    EXPECT_EQ(heldByDisplay(idOf("DP-1")), card);
    // A 1024-entry card takes the 256-entry table and gives it back unchanged.
    EXPECT_EQ(cardTable("HDMI-1")->front().size(), 1024u);
    EXPECT_EQ(heldByDisplay(idOf("HDMI-1")), wide);
    EXPECT_EQ(associatedProfileTable("HDMI-1"), wide);
    // The Matrox board port's own 10-bit ramp.
    const SimMatroxBoards::Table words = boards().outputTable("DP-8");
    ASSERT_EQ(words.size(), 3u);
    for (size_t c = 0; c < 3; ++c)
        EXPECT_EQ(std::vector<int>(words[c].begin(), words[c].end()), board[c]);
    // The other displays were left alone.
    EXPECT_EQ(cardTable("DP-2"), linear(256, 65535));
}

TEST_F(LUTLoadingThreadTest, UniformityCorrectionFollowsTheTableAndGoesWithTheUnload)
{
    std::vector<double> correction;
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 2; ++y)
            correction.insert(correction.end(), {double(x), double(y), 255.0, 0.9 + 0.01 * (x + y)});
    }
    DBUniformity uniformity;
    const int uniformityId = uniformity.addUniformity(1, 200, 0, QStringLiteral("white"));
    ASSERT_GT(uniformityId, 0);
    ASSERT_TRUE(uniformity.setUData(uniformityId, correction));
    const luts_t table = curve(256, 65535);
    storeLut("XEN-1", table, 2, uniformityId);

    LogCapture log;
    const Run loaded = runLoad("XEN-1", true);
    EXPECT_EQ(loaded.fails, 0);
    EXPECT_TRUE(loaded.calibrated);
    EXPECT_TRUE(log.contains("applying uniformity"));
    const SimMatroxBoards::Table ramp = boards().xeniaRamp(4);
    ASSERT_EQ(ramp.size(), 3u);
    EXPECT_EQ(std::vector<int>(ramp[2].begin(), ramp[2].end()), table[2]);
    EXPECT_EQ(boards().xeniaUniformity(4), correction);
    EXPECT_TRUE(boards().xeniaUniformityEnabled(4));

    const Run unloaded = runLoad("XEN-1", false);
    EXPECT_EQ(unloaded.fails, 0);
    EXPECT_FALSE(unloaded.calibrated);
    EXPECT_FALSE(boards().xeniaUniformityEnabled(4));

    // A correction whose values were damaged fails the load: without it the display is not
    // in its calibrated state.
    ASSERT_TRUE(DB::get()->exec(QStringLiteral("UPDATE Uniformity_Data SET value = 'n/a' WHERE number = 5")));
    EXPECT_TRUE(uniformity.GetUDataById(uniformityId).empty());
    const Run damaged = runLoad("XEN-1", true);
    EXPECT_TRUE(log.contains("is damaged or empty; the load fails"));
    EXPECT_EQ(damaged.fails, 1);
    EXPECT_EQ(damaged.finishedSignals, 1);
    EXPECT_FALSE(damaged.calibrated);
    EXPECT_FALSE(boards().xeniaUniformityEnabled(4));

    // A correction the board refuses (values not in groups of four) undoes the whole load.
    ASSERT_TRUE(uniformity.setUData(uniformityId, {1.0, 2.0, 3.0}));
    const Run refused = runLoad("XEN-1", true);
    EXPECT_EQ(refused.fails, 1);
    EXPECT_EQ(refused.finishedSignals, 1);
    EXPECT_FALSE(refused.calibrated);
}

TEST_F(LUTLoadingThreadTest, SixteenBitTableLoadsOnACardOfASmallerRange)
{
    // `lut store --gamma` and the main application store 0..65535 whatever the card's range:
    // such a table is a calibration, not damage.
    storeLut("DP-1", curve(256, 65535));
    const Run run = runLoad("DP-1", true);
    EXPECT_EQ(run.fails, 0);
    EXPECT_TRUE(run.calibrated);
    EXPECT_NE(cardTable("DP-1"), linear(256, 65280));
}

TEST_F(LUTLoadingThreadTest, UnloadLeavesTheLinearTableEverywhere)
{
    storeLut("DP-1", curve(256, 65280));
    ASSERT_TRUE(runLoad("DP-1", true).calibrated);

    const Run run = runLoad("DP-1", false);
    EXPECT_EQ(run.fails, 0);
    EXPECT_EQ(run.finishedSignals, 1);
    EXPECT_FALSE(run.calibrated);
    EXPECT_EQ(cardTable("DP-1"), linear(256, 65280));
    EXPECT_EQ(associatedProfileTable("DP-1"), linear(256, 65280));

    // A card already linear is not written again.
    const int writes = cardWrites("DP-1");
    EXPECT_EQ(runLoad("DP-1", false).fails, 0);
    EXPECT_EQ(cardWrites("DP-1"), writes);
}

TEST_F(LUTLoadingThreadTest, MissingOrDamagedTablesEndWithTheRightSignals)
{
    {
        // Nothing stored: no LUT type, so no LUT object to write to; the run just ends.
        LogCapture log;
        EXPECT_FALSE(LUTLoadingThread::isLUTAvailable(idOf("DP-1"), true));
        const Run run = runLoad("DP-1", true);
        EXPECT_EQ(run.fails, 0);
        EXPECT_EQ(run.finishedSignals, 1);
        EXPECT_FALSE(run.calibrated);
        EXPECT_TRUE(log.contains("LUTLoadingThread::loadLUT() no display lut"));
        EXPECT_EQ(cardTable("DP-1"), linear(256, 65535));
    }
    {
        // A record without entries: the empty table is offered and refused.
        storeLut("DP-1", {});
        EXPECT_FALSE(LUTLoadingThread::isLUTAvailable(idOf("DP-1"), true));
        LogCapture log;
        const Run run = runLoad("DP-1", true);
        EXPECT_TRUE(log.contains("no stored entries"));
        EXPECT_EQ(run.fails, 1);
        EXPECT_EQ(run.finishedSignals, 1);
        EXPECT_FALSE(run.calibrated);
    }
    {
        // Cut after 100 levels: the missing top reads as 0 and the card refuses the table.
        luts_t truncated = curve(256, 65280);
        for (auto& channel : truncated)
            channel.resize(100);
        storeLut("DP-1", truncated);
        EXPECT_TRUE(LUTLoadingThread::isLUTAvailable(idOf("DP-1"), true));
        LogCapture log;
        const Run run = runLoad("DP-1", true);
        EXPECT_TRUE(log.contains("stored table of 100 entries resampled to 256"));
        EXPECT_TRUE(log.contains("max LUT value is too small"));
        EXPECT_EQ(run.fails, 1);
        EXPECT_EQ(run.finishedSignals, 1);
        EXPECT_FALSE(run.calibrated);
        EXPECT_EQ(cardTable("DP-1"), linear(256, 65280));
    }
    {
        // Channels beyond the target's three are ignored.
        luts_t extended = curve(256, 65280);
        luts_t stored = extended;
        stored.push_back(std::vector<int>(256, 7));
        storeLut("DP-1", stored);
        const Run run = runLoad("DP-1", true);
        EXPECT_EQ(run.fails, 0);
        EXPECT_TRUE(run.calibrated);
        EXPECT_EQ(cardTable("DP-1"), extended);
    }
}

TEST_F(LUTLoadingThreadTest, DisplayThatVanishedFailsWithoutHanging)
{
    storeLut("DP-2", curve(256, 65280));
    ASSERT_TRUE(runLoad("DP-2", true).calibrated);
    ASSERT_TRUE(DisplayList::instance().GetDisplayInstanceById(idOf("DP-2")));

    unplug("DP-2");
    storeLut("DP-2", curve(256, 65280, 1.5));
    LogCapture log;
    const Run run = runLoad("DP-2", true);
    EXPECT_EQ(run.fails, 1);
    EXPECT_EQ(run.finishedSignals, 1);
    EXPECT_FALSE(run.calibrated);
    EXPECT_TRUE(m_thread.lastDisplayLeft());
    EXPECT_TRUE(log.contains("CreateDCA failed"));
    EXPECT_TRUE(log.contains("LUTLoadingThread::loadLUT() finished"));

    // Its LUT object is now unusable: an unload only ends, until the display is detected anew.
    const Run unload = runLoad("DP-2", false);
    EXPECT_EQ(unload.fails, 0);
    EXPECT_EQ(unload.finishedSignals, 1);
    EXPECT_TRUE(log.contains("LUTLoadingThread::loadLUT() no display lut"));
}

TEST_F(LUTLoadingThreadTest, ForcedActivationWritesExactlyTheNextLoad)
{
    const luts_t table = curve(256, 65280);
    storeLut("DP-1", table);
    const int id = idOf("DP-1");
    ASSERT_TRUE(runLoad("DP-1", true).calibrated);
    skipWaits(id);
    const int afterFirst = cardWrites("DP-1");

    // The card and the profile already hold the table: nothing is written.
    EXPECT_TRUE(runLoad("DP-1", true).calibrated);
    EXPECT_EQ(cardWrites("DP-1"), afterFirst);

    // Forced: the table is written again, straight away on a card that takes a repeated ramp.
    m_thread.forceLutActivation(id);
    LogCapture log;
    EXPECT_TRUE(runLoad("DP-1", true).calibrated);
    EXPECT_TRUE(log.contains("force lut uploading for display" + QString::number(id)));
    EXPECT_EQ(cardWrites("DP-1"), afterFirst + 1);
    EXPECT_EQ(cardTable("DP-1"), table);

    EXPECT_TRUE(runLoad("DP-1", true).calibrated);
    EXPECT_EQ(cardWrites("DP-1"), afterFirst + 1);
}

TEST_F(LUTLoadingThreadTest, StoredTableOfAnotherSizeIsResampledToTheTarget)
{
    // 256 entries for a 10-bit board output of 1024: the whole input range, not a quarter of it.
    const luts_t narrow = curve(256, 65535, 2.4);
    storeLut("DP-8", narrow);
    {
        LogCapture log;
        const Run run = runLoad("DP-8", true);
        EXPECT_EQ(run.fails, 0);
        EXPECT_TRUE(run.calibrated);
        EXPECT_TRUE(log.contains("stored table of 256 entries resampled to 1024"));
    }
    const SimMatroxBoards::Table words = boards().outputTable("DP-8");
    ASSERT_EQ(words.size(), 3u);
    for (size_t c = 0; c < 3; ++c) {
        ASSERT_EQ(words[c].size(), 1024u);
        EXPECT_EQ(int(words[c][1023]), narrow[c][255]) << c;
        EXPECT_EQ(int(words[c][514]), narrow[c][128]) << c; // 128 * 1023 / 255 = 513.5
        for (size_t i = 1; i < 1024; ++i)
            ASSERT_GE(words[c][i], words[c][i - 1]) << c << " " << i;
    }

    // 1024 entries for a 256-entry card: sampled down, both ends kept.
    const luts_t wide = curve(1024, 65280, 1.8);
    storeLut("DP-1", wide);
    const Run run = runLoad("DP-1", true);
    EXPECT_EQ(run.fails, 0);
    EXPECT_TRUE(run.calibrated);
    const std::optional<luts_t> card = cardTable("DP-1");
    ASSERT_TRUE(card);
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ((*card)[c][255], wide[c][1023]) << c;
        EXPECT_EQ((*card)[c][0], wide[c][0]) << c;
        EXPECT_EQ((*card)[c][85], wide[c][341]) << c; // 85 * 1023 / 255 = 341
    }
}

TEST_F(LUTLoadingThreadTest, LUTWrittenForAnotherPhysicalDisplayIsNotLoaded)
{
    const luts_t table = curve(256, 65280);
    storeLut("DP-1", table);
    const int id = idOf("DP-1");
    DBDisplays displays;
    // A table stored before the hash existed loads, and its first good load records the hash.
    ASSERT_TRUE(displays.getDisplayInfo(id, "LastLUTHash").isEmpty());
    ASSERT_TRUE(runLoad("DP-1", true).calibrated);
    EXPECT_FALSE(displays.getDisplayInfo(id, "LastLUTHash").isEmpty());
    EXPECT_TRUE(displays.checkCalibrationHash(id));
    ASSERT_FALSE(runLoad("DP-1", false).calibrated);

    // Another physical display was given this id since the table was stored.
    ASSERT_TRUE(displays.addCalibrationHash(id, "KLD:0999:Other display:4711"));
    const int writes = cardWrites("DP-1");
    LogCapture log;
    const Run run = runLoad("DP-1", true);
    EXPECT_TRUE(log.contains("the stored LUT was written for another display")) << qPrintable(log.all());
    EXPECT_EQ(run.fails, 1);
    EXPECT_EQ(run.finishedSignals, 1);
    EXPECT_FALSE(run.calibrated);
    EXPECT_EQ(cardWrites("DP-1"), writes);
    EXPECT_EQ(cardTable("DP-1"), linear(256, 65280));
}

TEST_F(LUTLoadingThreadTest, ChangedLUTTypeRedetectsTheDisplay)
{
    storeLut("DP-1", curve(256, 65280));
    const int id = idOf("DP-1");
    ASSERT_TRUE(runLoad("DP-1", true).calibrated);
    const std::weak_ptr<BaseDisplay> first = DisplayList::instance().GetDisplayInstanceById(id);
    ASSERT_FALSE(first.expired());
    EXPECT_EQ(DisplayList::instance().displayInterface(id), DISPIFACE_VIDEOCARD);

    // Same type: the object is kept.
    runLoad("DP-1", true);
    EXPECT_EQ(DisplayList::instance().GetDisplayInstanceById(id), first.lock());

    // The main application moved the LUT to the display's own interface (which this display lacks).
    storeLut("DP-1", curve(256, 65280), DISPIFACE_USB);
    LogCapture log;
    const Run run = runLoad("DP-1", true);
    EXPECT_TRUE(log.contains("updateDisplayIfNeeded - need to redetect"));
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(DisplayList::instance().displayInterface(id), DISPIFACE_USB);
    EXPECT_EQ(run.finishedSignals, 1);
    EXPECT_EQ(DBDisplays().GetCommMode(id), 1);
}

TEST_F(LUTLoadingThreadTest, MonitorsGoOffAndComeBackOnTogether)
{
    storeLut("DP-1", curve(256, 65280));
    ASSERT_TRUE(runLoad("DP-1", true).calibrated);

    m_thread.slotTurnOffDisplays();
    for (const SimDisplay& display : Platform::workstation()->displays())
        EXPECT_EQ(display.power, SimDisplay::Power::Off) << qPrintable(display.output);
    m_thread.slotTurnOnDisplays();
    for (const SimDisplay& display : Platform::workstation()->displays())
        EXPECT_EQ(display.power, SimDisplay::Power::On) << qPrintable(display.output);
    // The loaded table survives the power cycle and the list still knows the display.
    EXPECT_TRUE(LUTLoadingThread::isDisplayCalibrated(idOf("DP-1")));
    EXPECT_EQ(cardTable("DP-1"), curve(256, 65280));
}
