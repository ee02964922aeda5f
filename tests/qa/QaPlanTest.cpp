#include "db/DBDisplays.h"
#include "qa/QADueWork.h"
#include "qa/QASchedulingCalculator.h"
#include "tests/qa/QaPlanFixture.h"

#include <QFile>

#include <cstdlib>
#include <ctime>

namespace {

// Every date below is read in a zone with daylight saving time (changes on
// 2027-03-28 and 2027-10-31), so a plan that mixed up local and UTC days shows.
const bool s_zone = [] {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    return true;
}();

} // namespace

using PlanTest = QaPlanFixture;

TEST_F(PlanTest, StepsThatNeverRanCountAsPassedAtTimeZero)
{
    addDisplay(1);
    const qint64 now = at(2027, 5, 12, 9, 30);
    const qint64 today = at(2027, 5, 12, 0);
    // Without any history every group is due today, and not before midnight.
    plan(now);
    for (const int step : {1, 3, 4, 5})
        EXPECT_EQ(local(dueOf(1, step)), local(today)) << step;
    EXPECT_EQ(groupOf(1, 1).value("lastrundate"), "Never");
    EXPECT_EQ(groupOf(1, 1).value("TaskStatus"), "0");
    EXPECT_EQ(dueGroups(now).size(), 4);
    EXPECT_TRUE(dueGroups(today - 1).isEmpty());
    // One step of the daily group ran yesterday: the other one ran at time 0.
    run(1, {1}, at(2027, 5, 11, 8));
    plan(now);
    EXPECT_EQ(local(dueOf(1, 1)), "2027-05-12 00:00");
    EXPECT_EQ(groupOf(1, 1).value("lastrundate"), "1970.01.01");
    run(1, {1, 2}, at(2027, 5, 12, 8));
    plan(now);
    EXPECT_EQ(local(dueOf(1, 1)), "2027-05-13 00:00");
    EXPECT_EQ(groupOf(1, 1).value("lastrundate"), "2027.05.12");
}

TEST_F(PlanTest, PostponementCoversItsClosedInterval)
{
    addDisplay(1);
    run(1, {3}, at(2027, 5, 3, 10));
    plan(at(2027, 5, 10, 9));
    const QMap<QString, QString> group = groupOf(1, 3);
    const qint64 due = group.value("nextdate").toLongLong();
    ASSERT_EQ(local(due), "2027-06-03 00:00");
    QASchedulingGroups groups;
    // An interval that starts exactly at the due date still holds it.
    ASSERT_TRUE(groups.setException(1, group.value("TaskKey"), due, at(2027, 6, 9, 0)));
    ASSERT_TRUE(groups.setException(1, group.value("TaskKey"), at(2027, 5, 1, 0), due - 1));
    plan(at(2027, 5, 10, 9));
    EXPECT_EQ(local(dueOf(1, 3)), "2027-06-09 00:00");
    EXPECT_EQ(local(groupOf(1, 3).value("nextdate_fixed").toLongLong()), "2027-06-03 00:00");
}

TEST_F(PlanTest, PeriodsFromTheAcceptanceDateDoNotDriftAtMonthEnds)
{
    addDisplay(1);
    // Display 2 has no acceptance test: its monthly group steps calendar months from its last run.
    addDisplay(2);
    run(1, {1, 2, 3, 4, 5}, at(2027, 1, 31, 10), 2, "QA Test Acceptance Test");
    run(2, {3}, at(2027, 1, 31, 10));
    plan(at(2027, 2, 1, 9));
    EXPECT_EQ(local(dueOf(1, 3)), "2027-02-28 00:00");
    EXPECT_EQ(local(dueOf(2, 3)), "2027-02-28 00:00");
    run(1, {3}, at(2027, 2, 28, 10));
    plan(at(2027, 3, 1, 9));
    // Jan 31 + 2 months, not Feb 28 + 1 month.
    EXPECT_EQ(local(dueOf(1, 3)), "2027-03-31 00:00");
}

TEST_F(PlanTest, DaylightSavingChangeMovesNoDueDate)
{
    addDisplay(1);
    run(1, {1, 2}, at(2027, 3, 27, 18));
    run(1, {4}, at(2027, 3, 25, 18));
    run(1, {3}, at(2027, 10, 2, 18), 2, "QA Test");
    plan(at(2027, 3, 27, 20));
    EXPECT_EQ(local(dueOf(1, 1)), "2027-03-28 00:00");
    EXPECT_EQ(local(dueOf(1, 4)), "2027-04-01 00:00");
    plan(at(2027, 10, 30, 20));
    EXPECT_EQ(local(dueOf(1, 3)), "2027-11-02 00:00");
}

TEST_F(PlanTest, NeverRunGroupIsDueOnePeriodAfterTheAlignedAcceptanceDate)
{
    addDisplay(1);
    // The acceptance run covered the daily steps only; the monthly step never ran.
    run(1, {1, 2}, at(2027, 1, 10, 11), 2, "QA Test Acceptance Test");
    plan(at(2027, 3, 15, 9));
    EXPECT_EQ(local(dueOf(1, 3)), "2027-04-10 00:00");
    EXPECT_EQ(groupOf(1, 3).value("lastrundate"), "Never");
}

TEST_F(PlanTest, MultiDisplayStepsCountOtherActiveConnectedDisplays)
{
    addDisplay(1);
    addDisplay(2, /*active*/ false);
    addDisplay(3, /*active*/ true, /*connected*/ false);
    plan(at(2027, 5, 12, 9));
    EXPECT_TRUE(groupOf(1, 6).isEmpty());
    addDisplay(4);
    plan(at(2027, 5, 12, 9));
    EXPECT_FALSE(groupOf(1, 6).isEmpty());
    EXPECT_FALSE(groupOf(4, 6).isEmpty());
    // Inactive or unplugged displays get no plan at all.
    EXPECT_TRUE(groupOf(2, 1).isEmpty());
    EXPECT_TRUE(groupOf(3, 1).isEmpty());
}

TEST_F(PlanTest, OnlyAPassedRunNamedAcceptanceTestIsAnAcceptance)
{
    addDisplay(1);
    run(1, {1}, at(2027, 1, 10, 11), 2, "QA Test Acceptance Test", /*runResult*/ 1);
    run(1, {1}, at(2027, 1, 12, 11), 2, "QA Test Constancy", 2);
    EXPECT_EQ(DBHistory().acceptanceDatePerformedOnAnyVideoAdapter(1, "T"), 0);
    const qint64 passed = run(1, {1}, at(2027, 1, 14, 11), 2, "QA Test Acceptance Test", 2);
    EXPECT_EQ(DBHistory().acceptanceDatePerformedOnAnyVideoAdapter(1, "T"), at(2027, 1, 14, 11));
    // A disabled record does not count.
    DBHistory().SetDisabled(passed, true);
    EXPECT_EQ(DBHistory().acceptanceDatePerformedOnAnyVideoAdapter(1, "T"), 0);
}

TEST_F(PlanTest, FirstPlanAndRegulationChangesDropPostponements)
{
    addDisplay(1);
    QASchedulingGroups groups;
    const auto postponements = [] { return DB::get()->count(QASchedulingGroups::EXCEPTIONS); };
    const QString key = QASchedulingCalculator::groupKey(1, {3});
    groups.setException(1, key, at(2027, 5, 1, 0), at(2027, 9, 1, 0));
    plan(at(2027, 5, 12, 9));
    EXPECT_EQ(postponements(), 0);
    groups.setException(1, key, at(2027, 5, 1, 0), at(2027, 9, 1, 0));
    plan(at(2027, 5, 12, 9));
    EXPECT_EQ(postponements(), 1);
    DBPreferences().setValue("UsedClassification", "2", false);
    plan(at(2027, 5, 12, 9));
    EXPECT_EQ(postponements(), 0);
}

// The scheduler rebuilds the plan every pass: one that changes nothing must not write the file
// (each write is a journal and three disk syncs), with or without a regulation in force.
TEST_F(PlanTest, RebuildThatChangesNothingLeavesTheFileAlone)
{
    addDisplay(1);
    addDisplay(2);
    run(1, {1, 2, 3}, at(2027, 5, 3, 10));
    const auto changeCounter = [] {
        QFile file(DB::get()->filePath());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.read(28).mid(24);
    };
    for (const bool withRegulation : {true, false}) {
        SCOPED_TRACE(withRegulation ? "regulation T" : "no regulation");
        if (!withRegulation) {
            DBPreferences().setValue("UsedRegulation", QString(), false);
            DBPreferences().setValue("UsedClassification", QString(), false);
        }
        plan(at(2027, 5, 4, 11));
        const QByteArray before = changeCounter();
        plan(at(2027, 5, 4, 11));
        plan(at(2027, 5, 4, 12));
        EXPECT_EQ(changeCounter(), before);
    }
}

TEST_F(PlanTest, TwiceAWeekAlternatesAndKeepsItsPhaseAcrossRebuilds)
{
    addDisplay(1);
    run(1, {5}, at(2027, 5, 3, 10));
    plan(at(2027, 5, 3, 11));
    EXPECT_EQ(local(dueOf(1, 5)), "2027-05-07 00:00");
    // Rebuilding without a new run, as every restart does, changes nothing.
    plan(at(2027, 5, 4, 11));
    plan(at(2027, 5, 5, 11));
    EXPECT_EQ(local(dueOf(1, 5)), "2027-05-07 00:00");
    run(1, {5}, at(2027, 5, 7, 10));
    plan(at(2027, 5, 7, 11));
    EXPECT_EQ(local(dueOf(1, 5)), "2027-05-10 00:00");
    plan(at(2027, 5, 8, 11));
    EXPECT_EQ(local(dueOf(1, 5)), "2027-05-10 00:00");
    run(1, {5}, at(2027, 5, 10, 10));
    plan(at(2027, 5, 10, 11));
    EXPECT_EQ(local(dueOf(1, 5)), "2027-05-14 00:00");
}

TEST_F(PlanTest, OverdueGroupIsDueAtTodaysMidnightUnderItsKey)
{
    addDisplay(7);
    run(7, {4}, at(2027, 4, 20, 10));
    plan(at(2027, 5, 12, 15));
    EXPECT_EQ(local(dueOf(7, 4)), "2027-05-12 00:00");
    EXPECT_EQ(QASchedulingCalculator::groupKey(7, {15, 3, 12}),
              QString::fromLatin1(QCryptographicHash::hash("7|3|12|15", QCryptographicHash::Md5).toHex()));
    EXPECT_EQ(groupOf(7, 4).value("TaskKey"), QASchedulingCalculator::groupKey(7, {4}));
}

TEST_F(PlanTest, FailedStepsAndDisabledRecords)
{
    addDisplay(1);
    run(1, {3}, at(2027, 4, 1, 10), 1);
    const qint64 later = run(1, {3}, at(2027, 4, 20, 10), 2);
    DBHistory().SetDisabled(later, true);
    plan(at(2027, 4, 21, 9));
    // The disabled passing run is ignored: the group stands failed, due a month after the failure.
    EXPECT_EQ(groupOf(1, 3).value("TaskStatus"), "1");
    EXPECT_EQ(local(dueOf(1, 3)), "2027-05-01 00:00");
    const auto status = [] {
        QString value;
        EXPECT_TRUE(DBStatusDisplays().GetStatusInfo(1, "all_qa_steps_ok", value));
        return value;
    };
    EXPECT_EQ(status(), "0");
    // Every step of the classification counts for the status, also one that does not apply
    // to a single display and lies further back than the planned steps' last runs.
    run(1, {6}, at(2027, 1, 5, 10), 1);
    run(1, {1, 2, 3, 4, 5}, at(2027, 4, 22, 10));
    plan(at(2027, 4, 22, 11));
    EXPECT_EQ(groupOf(1, 3).value("TaskStatus"), "0");
    EXPECT_TRUE(groupOf(1, 6).isEmpty());
    EXPECT_EQ(status(), "0");
    run(1, {6}, at(2027, 4, 21, 10), 2);
    plan(at(2027, 4, 22, 11));
    EXPECT_EQ(status(), "1");
}

TEST_F(PlanTest, BiweeklyFrequencyOfOlderVersionsIsRenamed)
{
    DB::get()->addinfo("QASchedulingGroups", {{"groupid", "1"}, {"frequency", "Biweekly"}});
    QASchedulingGroups groups;
    EXPECT_EQ(DB::get()->readinfo("QASchedulingGroups").value("frequency"), "Every two weeks");
}

TEST_F(PlanTest, UserTaskWaitsForAnAmbientCheckOlderThan600Seconds)
{
    addDisplay(1);
    DBDisplays displays;
    displays.SetIsAmbientSensorSupport(1, true);
    displays.setDisplayInfo(1, "AmbientSensor", "true", false);
    const qint64 now = at(2027, 5, 12, 10);
    const QList<QADueWork::UserTask> tasks{{5, 1, "Calibration", now}};
    QList<int> wake;

    displays.setDisplayInfo(1, "LastAmbientCheck", QString::number(now - 601), false);
    EXPECT_EQ(QADueWork::chooseUserTask(tasks, now, &wake), -1);
    EXPECT_EQ(wake, QList<int>{1});

    wake.clear();
    displays.setDisplayInfo(1, "LastAmbientCheck", QString::number(now - 600), false);
    EXPECT_EQ(QADueWork::chooseUserTask(tasks, now, &wake), 0);
    EXPECT_TRUE(wake.isEmpty());
    // Never measured: nothing to wait for.
    displays.setDisplayInfo(1, "LastAmbientCheck", "0", false);
    EXPECT_EQ(QADueWork::chooseUserTask(tasks, now, &wake), 0);
    // A display blocked by ambient light is passed over.
    EXPECT_EQ(QADueWork::chooseUserTask(tasks, now, &wake, [](int) { return true; }), -1);
}
