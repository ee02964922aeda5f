#include "db/DB.h"
#include "db/DBCalHistory.h"
#include "db/DBCalMeasurements.h"
#include "db/DBHistory.h"
#include "db/DBQAHistory.h"
#include "db/HistoryPreferences.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

namespace {

class HistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DB::free();
        DB::setPath(TestPaths::freshFolder(
            QStringLiteral("history-") +
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())));
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        DBCalHistory::dropCacheTargets();
    }
    void TearDown() override { DB::free(); }

    static qint64 qaRun(int display, const QString& regulation, int step, qint64 time, int stepResult,
                        const QString& name = "QA", int runResult = 2)
    {
        const qint64 id = DBHistory().addRecord(display, name, 1, runResult, time);
        DBQAHistory().addStepResult(id, regulation, 1, step, 0, stepResult, "", "", 0, time + 10);
        return id;
    }
    static qint64 calibration(int display, qint64 time, int result, bool express, const QString& gamma,
                              const QString& white)
    {
        const qint64 id = DBHistory().addRecord(display, "Calibration", 2, result, time);
        DBCalHistory cal;
        const qint64 calId = cal.addHistory(id, "DICOM", true, express);
        cal.addTarget(calId, "CalibrationType", "DICOM");
        cal.addTarget(calId, "Gamma", gamma);
        DBCalMeasurements().addRecord(calId, 0, "255", "255", "255", "1", white, "1");
        return calId;
    }
};

} // namespace

TEST_F(HistoryTest, OlderRegulationNameCountsForTheNewOne)
{
    qaRun(1, "DIN", 4, 1000, 2);
    DBHistory history;
    EXPECT_EQ(history.getQARuntime(1, "DIN 6868-57", 4), 1000);
    EXPECT_EQ(history.getQAResult(1, "DIN 6868-57", 4, 1), 2);
    EXPECT_EQ(history.stepRuns(1, "DIN 6868-57", 1).value(4).lastRun, 1000);
    EXPECT_EQ(history.getQARuntime(1, "AAPM", 4), 0);
    EXPECT_EQ(history.getQAResult(1, "AAPM", 4), -1);
}

TEST_F(HistoryTest, StepPassedInsideAFailedAcceptanceRunIsNoSuccess)
{
    qaRun(1, "T", 3, 1000, 2, "QA T");
    qaRun(1, "T", 3, 2000, 2, "QA T Acceptance Test", 1);
    DBHistory history;
    EXPECT_EQ(history.getQARuntime(1, "T", 3), 2000);
    EXPECT_EQ(history.getSuccessQARuntime(1, "T", 3), 1000);
    EXPECT_EQ(history.stepRuns(1, "T", 1).value(3).lastSuccess, 1000);
    EXPECT_EQ(history.getSuccessQARuntimePlanned(1, "T", 3), 2010);
    qaRun(1, "T", 3, 3000, 2, "QA T Acceptance Test", 2);
    EXPECT_EQ(history.getSuccessQARuntime(1, "T", 3), 3000);
}

// The planner reads a display's history newest first only until its planned steps are
// settled; every step it asks about must still come out as a full read gives it.
TEST_F(HistoryTest, WalkThatStopsEarlyAgreesWithTheFullRead)
{
    qaRun(1, "DIN", 4, 500, 1);
    qaRun(1, "DIN", 3, 1000, 2);
    qaRun(1, "DIN", 3, 2000, 2, "QA Acceptance Test", 1);
    qaRun(1, "DIN", 5, 2500, 2);
    qaRun(2, "DIN", 9, 2600, 2);
    DBHistory history;
    history.SetDisabled(qaRun(1, "DIN", 4, 3000, 2), true);
    const auto full = history.stepRuns(1, "DIN 6868-57", 1);
    const auto walked = history.stepRuns(1, "DIN 6868-57", 1, {3, 5}, {3, 4, 5, 9});
    // Past step 3's last run to its last success; step 4 lies beyond where the walk stopped.
    EXPECT_EQ(walked.value(3).lastRun, 2000);
    EXPECT_EQ(walked.value(3).lastSuccess, 1000);
    EXPECT_EQ(walked.value(4).lastRun, 500);
    EXPECT_EQ(walked.value(4).lastResult, 1);
    EXPECT_FALSE(walked.contains(9));
    // Nothing to settle reads no history at all; the steps asked about still come out right.
    const auto asked = history.stepRuns(1, "DIN 6868-57", 1, {}, {3, 4});
    EXPECT_EQ(asked.keys(), (QList<int>{3, 4}));
    EXPECT_EQ(asked.value(3).lastRun, 2000);
    EXPECT_EQ(asked.value(4).lastResult, 1);
    EXPECT_EQ(walked.keys(), full.keys());
    for (const int step : full.keys()) {
        EXPECT_EQ(walked.value(step).lastRun, full.value(step).lastRun) << step;
        EXPECT_EQ(walked.value(step).lastResult, full.value(step).lastResult) << step;
    }
}

TEST_F(HistoryTest, RecordsAndSettingsReadBackAsWrittenWithNullTextsStoredEmpty)
{
    const qint64 first = DBHistory().addRecord(4, QString(), 2, 3, 5000);
    const qint64 second = DBHistory().addRecord(4, "QA", 1, 2, 4000);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, first);
    HistoryPreferences settings;
    ASSERT_TRUE(settings.addValue(first, "SensorModel", QString()));
    ASSERT_TRUE(settings.addValue(first, "Model", "MX 242"));

    DBHistory history;
    EXPECT_EQ(history.GetDispId(first), 4);
    EXPECT_EQ(history.getHistoryType(first), 2);
    EXPECT_EQ(history.getResult(first), 3);
    EXPECT_EQ(history.getRuntime(first), 5000);
    EXPECT_TRUE(history.isSynchronizeNeed(first));
    EXPECT_FALSE(history.isDisabled(first));
    QList<qint64> ids;
    ASSERT_TRUE(history.GetDisplayHistory(4, 0, 6000, ids, true));
    EXPECT_EQ(ids, (QList<qint64>{second, first}));
    EXPECT_EQ(settings.getAll(first), (QMap<QString, QString>{{"Model", "MX 242"}, {"SensorModel", ""}}));
    // The synchronisation sends texts as they are stored: a NULL would go up as null.
    const auto nulls = DB::get()->query(
        "SELECT (SELECT count(*) FROM History WHERE textname IS NULL) + "
        "(SELECT count(*) FROM HistoryPreferences WHERE name IS NULL OR value IS NULL) AS nulls");
    EXPECT_EQ(nulls.integer("nulls"), 0);
}

TEST_F(HistoryTest, WasExecutedFlagsAreReadOnce)
{
    qaRun(1, "T", 3, 1000, 2);
    DBQAHistory qa;
    EXPECT_EQ(qa.getWasExecuted("T", 1).value(3), true);
    EXPECT_EQ(qa.getWasExecuted("T", 1).value(3), false);
}

TEST_F(HistoryTest, LatestPassedCalibrationWithTheTargetsWinsOverNewerFailedOnes)
{
    const qint64 wanted = calibration(1, 1000, 2, false, "2.2", "200");
    calibration(1, 2000, 1, false, "2.2", "200");
    calibration(1, 3000, 2, true, "2.2", "200");
    calibration(1, 4000, 2, false, "1.8", "200");
    DBCalHistory cal;
    const QMap<QString, QString> targets{{"CalibrationType", "DICOM"}, {"Gamma", "2.2"}};
    EXPECT_EQ(cal.getLatestCalibrationByTargets(1, targets), wanted);
    EXPECT_EQ(cal.getLatestCalibrationByTargetsAndWhiteLevel(1, targets, 190, 210), wanted);
    EXPECT_EQ(cal.getLatestCalibrationByTargetsAndWhiteLevel(1, targets, 210, 300), -1);
    EXPECT_EQ(cal.getLatestCalibrationByTargets(2, targets), -1);
    EXPECT_EQ(cal.getTargets(wanted).value("Gamma"), "2.2");
}
