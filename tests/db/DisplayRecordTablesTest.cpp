#include "db/DBUtils.h"
#include "tests/db/DisplayTablesFixture.h"

#include <thread>

namespace {

using CurrentLUTTest = DisplayTablesTest;
using StatusDisplaysTest = DisplayTablesTest;
using DisplayStatisticTest = DisplayTablesTest;
using DisplaysAmbientTest = DisplayTablesTest;
using ShutdownSafeSystemTest = DisplayTablesTest;

DBDisplayCurrentLUT::Channels rampChannels(int size, int maximum)
{
    DBDisplayCurrentLUT::Channels channels(3);
    for (int channel = 0; channel < 3; ++channel) {
        for (int level = 0; level < size; ++level)
            channels[channel].push_back((level * maximum / (size - 1) + channel * 7) % (maximum + 1));
    }
    return channels;
}

KaldoDynamicData::Values lutWhere(int currentlutid)
{
    return {{QStringLiteral("currentlutid"), QString::number(currentlutid)}};
}

TEST_F(CurrentLUTTest, StoredLutReadsBackEqual)
{
    DBDisplayCurrentLUT luts;
    const auto channels = rampChannels(256, 65535);
    const int id = luts.storeLUT(3, 2, 11, channels);
    ASSERT_GE(id, 0);

    EXPECT_EQ(luts.readEntryByDisplayId(3), channels);
    EXPECT_EQ(luts.readEntry(id), channels);
    EXPECT_EQ(luts.lutType(3), 2);
    EXPECT_EQ(luts.uniformityId(3), 11);
    EXPECT_EQ(luts.currentLutId(3), id);
    EXPECT_EQ(rows(QStringLiteral("LUTEntries"), lutWhere(id)), 3 * 256);

    // Storing again replaces the record instead of adding a second one.
    const auto smaller = rampChannels(16, 1023);
    const int next = luts.storeLUT(3, 0, 0, smaller);
    ASSERT_GE(next, 0);
    EXPECT_EQ(luts.readEntryByDisplayId(3), smaller);
    EXPECT_EQ(rows(QStringLiteral("DisplayCurrentLUT"), {{QStringLiteral("displayid"), QStringLiteral("3")}}),
              1);
    // None of the first LUT's values is left behind (the key itself may be reused).
    EXPECT_EQ(rows(QStringLiteral("LUTEntries")), 3 * 16);
}

TEST_F(CurrentLUTTest, CleanRemovesOnlyThatDisplaysLut)
{
    DBDisplayCurrentLUT luts;
    const int kept = luts.storeLUT(1, 1, 0, rampChannels(32, 255));
    EXPECT_EQ(luts.uniformityId(1), -1);
    // A display that somehow got two records loses both.
    const int first = luts.addRecord(2, 1, 0);
    const int second = luts.addRecord(2, 1, 0);
    ASSERT_TRUE(luts.addEntries(first, rampChannels(8, 255)));
    ASSERT_TRUE(luts.addEntries(second, rampChannels(8, 255)));
    EXPECT_EQ(luts.currentLutId(2), second);

    ASSERT_TRUE(luts.clean(2));
    EXPECT_EQ(rows(QStringLiteral("LUTEntries"), lutWhere(first)), 0);
    EXPECT_EQ(rows(QStringLiteral("LUTEntries"), lutWhere(second)), 0);
    EXPECT_TRUE(luts.readEntryByDisplayId(2).empty());
    EXPECT_EQ(luts.lutType(2), 0);
    EXPECT_EQ(luts.uniformityId(2), -1);
    EXPECT_EQ(luts.readEntryByDisplayId(1), rampChannels(32, 255));

    ASSERT_TRUE(luts.removeEntry(kept));
    EXPECT_EQ(rows(QStringLiteral("LUTEntries")), 0);
    EXPECT_EQ(rows(QStringLiteral("DisplayCurrentLUT")), 0);
}

TEST_F(CurrentLUTTest, DamagedEntriesGiveAUsableOrderedLut)
{
    DBDisplayCurrentLUT luts;
    const int id = luts.addRecord(5, 1, 0);
    // Written out of order, with channel numbers that do not start at 0 and one level twice.
    ASSERT_TRUE(luts.addEntry(id, 1, 2, 20));
    ASSERT_TRUE(luts.addEntry(id, 0, 2, 10));
    ASSERT_TRUE(luts.addEntry(id, 0, 1, 5));
    ASSERT_TRUE(luts.addEntry(id, 0, 1, 6));
    ASSERT_TRUE(luts.addEntry(id, 1, 1, 7));
    const auto channels = luts.readEntryByDisplayId(5);
    ASSERT_EQ(channels.size(), 2);
    EXPECT_EQ(channels[0].size(), 2);
    EXPECT_EQ(channels[0][1], 7);
    EXPECT_EQ(channels[1], (std::vector<int>{10, 20}));
    EXPECT_TRUE(luts.readEntryByDisplayId(99).empty());
}

TEST_F(StatusDisplaysTest, UnchangedValueWritesNothing)
{
    DBStatusDisplays statuses;
    ASSERT_TRUE(statuses.SetStatusInfo(4, QStringLiteral("all_qa_steps_ok"), QStringLiteral("1")));
    ASSERT_TRUE(statuses.SetStatusInfo(4, QStringLiteral("last_qa"), QStringLiteral("2026.12.01")));
    ASSERT_TRUE(statuses.SetStatusInfo(5, QStringLiteral("all_qa_steps_ok"), QStringLiteral("0")));

    const qint64 before = totalChanges();
    ASSERT_TRUE(statuses.SetStatusInfo(4, QStringLiteral("all_qa_steps_ok"), QStringLiteral("1")));
    EXPECT_EQ(totalChanges(), before);

    ASSERT_TRUE(statuses.SetStatusInfo(4, QStringLiteral("all_qa_steps_ok"), QStringLiteral("0")));
    EXPECT_EQ(totalChanges(), before + 1);
    EXPECT_EQ(statuses.GetStatusLimit(4, QStringLiteral("all_qa_steps_ok")), QStringLiteral("0"));
    EXPECT_EQ(rows(QStringLiteral("StatusDisplays")), 3);

    QString value;
    EXPECT_TRUE(statuses.GetStatusInfo(4, QStringLiteral("last_qa"), value));
    EXPECT_EQ(value, QStringLiteral("2026.12.01"));
    EXPECT_FALSE(statuses.GetStatusInfo(4, QStringLiteral("missing"), value));
    EXPECT_TRUE(value.isEmpty());

    ASSERT_TRUE(statuses.clearStatusInfo(4));
    EXPECT_TRUE(statuses.GetStatusInfo(4).isEmpty());
    EXPECT_EQ(statuses.GetStatusInfo(5),
              (QMap<QString, QString>{{QStringLiteral("all_qa_steps_ok"), QStringLiteral("0")}}));
}

TEST_F(DisplayStatisticTest, DailyCounterIsCreatedIncrementedAndMarkedForUpload)
{
    DBDisplayStatistic statistics;
    const QString day = QStringLiteral("2026.12.06");
    ASSERT_TRUE(statistics.AddStatisticInfo(day, 1));
    ASSERT_TRUE(statistics.AddStatisticInfo(day, 1));
    ASSERT_TRUE(statistics.AddStatisticInfo(QStringLiteral("2026.12.05"), 1));
    ASSERT_TRUE(statistics.AddStatisticInfo(day, 2));
    EXPECT_EQ(statistics.GetStatisticInfo(day, 1), 2);
    EXPECT_EQ(statistics.GetStatisticInfo(day, 2), 1);
    EXPECT_EQ(statistics.GetStatisticInfo(QStringLiteral("2026.01.01"), 1), 0);

    // The energy-mode task adds the seconds it measured.
    ASSERT_TRUE(statistics.AddStatisticInfo(day, 3, 600));
    ASSERT_TRUE(statistics.AddStatisticInfo(day, 3, 842));
    EXPECT_EQ(statistics.GetStatisticInfo(day, 3), 1442);

    ASSERT_TRUE(statistics.SetSynchronizeNeed(1, false));
    auto days = statistics.results(1);
    ASSERT_EQ(days.size(), 2);
    EXPECT_EQ(days[0].day, QStringLiteral("2026.12.05"));
    EXPECT_TRUE(days[0].synchronized);
    EXPECT_TRUE(days[1].synchronized);
    EXPECT_FALSE(statistics.results(2).first().synchronized);

    // Another hour after the upload makes the day's counter due again.
    ASSERT_TRUE(statistics.AddStatisticInfo(day, 1));
    days = statistics.results(1);
    EXPECT_EQ(days[1].value, 3);
    EXPECT_FALSE(days[1].synchronized);
    EXPECT_TRUE(days[0].synchronized);
}

TEST_F(DisplaysAmbientTest, ReadingsAreStoredWindowedAndMarkedForUpload)
{
    DBDisplaysAmbient ambient;
    ASSERT_TRUE(ambient.AddAmbientValue(1, 123.456789, 1000, true));
    ASSERT_TRUE(ambient.AddAmbientValue(1, 80.0, 2000, false));
    ASSERT_TRUE(ambient.AddAmbientValue(2, 55.5, 1500, true));

    const auto readings = ambient.readings(1);
    ASSERT_EQ(readings.size(), 2);
    EXPECT_DOUBLE_EQ(readings[0].value, 123.457);
    EXPECT_EQ(readings[0].time, 1000);
    EXPECT_TRUE(readings[0].withinLimits);
    EXPECT_FALSE(readings[1].withinLimits);
    EXPECT_FALSE(readings[0].synchronized);

    QList<double> values;
    EXPECT_TRUE(ambient.GetAmbientValues(1, 1500, values));
    EXPECT_EQ(values, QList<double>{80.0});

    ASSERT_TRUE(ambient.RemoveAmbientValues(1, 2000));
    EXPECT_EQ(ambient.readings(1).size(), 1);
    EXPECT_EQ(ambient.readings(2).size(), 1);

    EXPECT_EQ(ambient.GetSycnhronizeInfo(2).size(), 1);
    ASSERT_TRUE(ambient.SetAllSynchronizeNeeded(false));
    EXPECT_TRUE(ambient.GetSycnhronizeInfo(1).isEmpty());
    EXPECT_TRUE(ambient.GetSycnhronizeInfo(2).isEmpty());
    ASSERT_TRUE(ambient.AddAmbientValue(2, 60.0, 3000, true));
    EXPECT_EQ(ambient.GetSycnhronizeInfo(2).size(), 1);
}

TEST_F(ShutdownSafeSystemTest, OnePendingTaskPerDisplay)
{
    DBShutdownSafeSystem safeSystem;
    EXPECT_FALSE(safeSystem.isCalibrateFailed(1));
    ASSERT_TRUE(safeSystem.setNewTask(1));
    ASSERT_TRUE(safeSystem.setNewTask(1));
    ASSERT_TRUE(safeSystem.setNewTask(2));
    EXPECT_EQ(rows(QStringLiteral("ShotdownSafeSystem")), 2);
    EXPECT_TRUE(safeSystem.isCalibrateFailed(1));
    ASSERT_TRUE(safeSystem.removeTask(1));
    EXPECT_FALSE(safeSystem.isCalibrateFailed(1));
    EXPECT_TRUE(safeSystem.isCalibrateFailed(2));
}

// A database file that cannot be opened answers every table with neutral values.
TEST(UnopenedDatabaseTest, TablesAnswerNeutrallyWithoutCrashing)
{
    const QString previous = DB::path();
    DB::setPath(QStringLiteral("/proc/no-such-folder"));
    std::thread([] {
        DBDisplays displays;
        EXPECT_EQ(displays.addDisplay(QStringLiteral("S"), 0, 0, 1, 1, true), -1);
        EXPECT_EQ(displays.findBySerial(QStringLiteral("S")), -1);
        EXPECT_FALSE(displays.setDisplayInfo(1, QStringLiteral("Model"), QStringLiteral("x")));
        EXPECT_EQ(displays.getFairyDisplay(QRect(0, 0, 10, 10)), -1);
        DBDisplayCurrentLUT luts;
        EXPECT_EQ(luts.storeLUT(1, 1, 0, {{1, 2, 3}}), -1);
        EXPECT_TRUE(luts.readEntryByDisplayId(1).empty());
        EXPECT_FALSE(DBStatusDisplays().SetStatusInfo(1, QStringLiteral("a"), QStringLiteral("b")));
        EXPECT_FALSE(DBDisplayStatistic().AddStatisticInfo(QStringLiteral("2026.12.06"), 1));
        EXPECT_FALSE(DBDisplaysAmbient().AddAmbientValue(1, 1.0, 1, true));
        EXPECT_FALSE(DBShutdownSafeSystem().isCalibrateFailed(1));
        EXPECT_FALSE(DBCurrentDisplays().SetIsBackgroundCalibrationEnabled(1, true));
        EXPECT_TRUE(DBUtils::RefreshDisplaysInfo().isEmpty());
    }).join();
    DB::setPath(previous);
}

} // namespace
