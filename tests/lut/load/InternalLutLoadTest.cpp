// Stored tables whose target is the monitor's own LUT, loaded over DDC/CI by the loading thread.
#include "db/DBDisplays.h"
#include "displays/DDCCIDisplay.h"
#include "lut/DisplayList.h"
#include "tests/lut/load/LutLoadFixture.h"
#include "tests/lut/profile/LogCapture.h"

namespace {

class InternalLutLoadTest : public LutLoadFixture
{
};

} // namespace

TEST_F(InternalLutLoadTest, StoredInternalTableReachesTheMonitorAndLoadsAgain)
{
    const luts_t table = curve(16, 1000, 2.0);
    storeLut(QStringLiteral("DP-3"), table, 1);
    const Run first = runLoad(QStringLiteral("DP-3"), true);
    EXPECT_EQ(first.fails, 0);
    EXPECT_TRUE(first.calibrated);
    EXPECT_EQ(monitorTable(QStringLiteral("DP-3")), table);
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(idOf("DP-3"));
    ASSERT_NE(display, nullptr);
    EXPECT_NE(dynamic_cast<DDCCIDisplay*>(display.get()), nullptr);
    EXPECT_EQ(display->GetCommunicationMode(), 3);

    // A later table (a new calibration, or the load after unlocking) replaces it.
    const luts_t second = curve(16, 1023, 1.5);
    storeLut(QStringLiteral("DP-3"), second, 1);
    const Run again = runLoad(QStringLiteral("DP-3"), true);
    EXPECT_EQ(again.fails, 0);
    EXPECT_EQ(monitorTable(QStringLiteral("DP-3")), second);
    // The card of that output is not touched by an internal load.
    EXPECT_EQ(cardTable(QStringLiteral("DP-3")), linear(1024, 65535));
}

TEST_F(InternalLutLoadTest, TableBeyondTheMonitorsDepthIsRefusedAndTheMonitorLeftLinear)
{
    storeLut(QStringLiteral("DP-3"), curve(16, 4095, 2.0), 1);
    const Run run = runLoad(QStringLiteral("DP-3"), true);
    EXPECT_FALSE(run.calibrated);
    EXPECT_EQ(run.fails, 1);
    EXPECT_EQ(run.finishedSignals, 1);
    // The table is refused before the first block goes out: the monitor keeps its linear table
    // (a monitor never written to has no saved state yet).
    const luts_t shown = monitorTable(QStringLiteral("DP-3"));
    EXPECT_TRUE(shown.empty() || shown == linear(16, 1023));
}

TEST_F(InternalLutLoadTest, TheStoredTableIndexIsSelectedOrRefusedAndTheTableLoadsEitherWay)
{
    const luts_t table = curve(16, 1000, 2.0);
    storeLut(QStringLiteral("DP-3"), table, 1);
    const int id = idOf(QStringLiteral("DP-3"));
    LogCapture log;
    // The monitor keeps one table: index 1 is one past its last.
    ASSERT_TRUE(DBDisplays().setDisplayInfo(id, QStringLiteral("CurrentLUTIndex"), 1));
    const Run refused = runLoad(QStringLiteral("DP-3"), true);
    EXPECT_EQ(refused.fails, 0);
    EXPECT_TRUE(log.contains("Incorrect LUT index! LUT supports1tables")) << log.all().toStdString();
    EXPECT_FALSE(log.contains("activation skipped")) << "a monitor's table is written at start-up too";
    EXPECT_EQ(monitorTable(QStringLiteral("DP-3")), table);

    const luts_t second = curve(16, 1023, 1.5);
    storeLut(QStringLiteral("DP-3"), second, 1);
    ASSERT_TRUE(DBDisplays().setDisplayInfo(id, QStringLiteral("CurrentLUTIndex"), 0));
    EXPECT_EQ(runLoad(QStringLiteral("DP-3"), true).fails, 0);
    EXPECT_TRUE(log.contains("Current LUT index changed"));
    EXPECT_EQ(monitorTable(QStringLiteral("DP-3")), second);
}
