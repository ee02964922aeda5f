#include "db/DB.h"
#include "db/DBCalHistory.h"
#include "db/DBCalMeasurements.h"
#include "db/DBHistory.h"
#include "db/DBQAHistory.h"
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
