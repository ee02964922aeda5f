#include "tasks/LiteMutex.h"
#include "tasks/ManualClock.h"
#include "tasks/SystemClock.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr qint64 t0 = RunnerHarness::start;

// A task started on the test's own thread, so the timing rules can be checked step by step.
struct TimingFixture : ::testing::Test
{
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(t0);
};

TEST_F(TimingFixture, FirstDelayThenEveryPeriodAfterTheLastStart)
{
    // A listed task with first 30 under a 300 s reminder is built with first 330.
    RecordingTask task("ambient", 600, 330, clock);
    EXPECT_EQ(task.nextRun(), quint64(t0 + 330));

    clock->advanceSeconds(335);
    task.start();
    EXPECT_EQ(task.first(), 0);
    EXPECT_EQ(task.lastRun(), t0 + 335);
    EXPECT_EQ(task.nextRun(), quint64(t0 + 335 + 600));

    task.shiftLastRun(30);
    EXPECT_EQ(task.nextRun(), quint64(t0 + 335 + 630));
}

TEST_F(TimingFixture, NegativeOrZeroFirstIsDueAtOnce)
{
    RecordingTask dueNow("now", 600, -1, clock);
    EXPECT_EQ(dueNow.nextRun(), quint64(t0));
    RecordingTask immediate("zero", 600, 0, clock);
    EXPECT_EQ(immediate.nextRun(), quint64(t0));
}

TEST_F(TimingFixture, ClockSetBackPastTheLastRunMakesTheTaskDueAndLessLeavesItWaiting)
{
    RecordingTask task("sync", 120, 0, clock);
    clock->advanceSeconds(1000);
    task.start(); // last run t0 + 1000
    clock->advanceSeconds(60);
    ASSERT_EQ(task.nextRun(), quint64(t0 + 1120));

    clock->advanceSeconds(-50); // still after the last run
    EXPECT_EQ(task.nextRun(), quint64(t0 + 1120));

    clock->advanceSeconds(-2 * 86400); // before the last run
    EXPECT_EQ(task.nextRun(), quint64(clock->now()));
}

TEST_F(TimingFixture, TerminateIfNeedEndsTheTaskOnlyAfterTerminate)
{
    RecordingTask task("t", 0, 0, clock);
    int finishedCount = 0;
    QObject::connect(&task, &Task::finished, [&] { ++finishedCount; });
    EXPECT_FALSE(task.terminateIfNeed());
    task.terminate();
    EXPECT_TRUE(task.terminateIfNeed());
    EXPECT_EQ(finishedCount, 1);
    task.start(); // start clears the flag
    EXPECT_FALSE(task.isTerminating());
}

TEST(LiteMutexTest, WaitServesTheWaitersEventsAndEndsOnUnlockFromAnotherThread)
{
    LiteMutex mutex;
    mutex.lock();
    bool served = false;
    QTimer::singleShot(0, [&] { served = true; });
    std::thread unlocker([&] {
        while (!served)
            QThread::msleep(1);
        mutex.unlock();
    });
    EXPECT_TRUE(mutex.waitForUnlock());
    unlocker.join();
    EXPECT_TRUE(served);
    EXPECT_FALSE(mutex.isLocked());
}

TEST(LiteMutexTest, GiveUpEndsTheWaitWithTheFlagStillSet)
{
    LiteMutex mutex;
    mutex.lock();
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        stop = true;
        mutex.wake();
    });
    EXPECT_FALSE(mutex.waitForUnlock([&] { return stop.load(); }));
    stopper.join();
    EXPECT_TRUE(mutex.isLocked());
}

} // namespace

// A wall clock set by the system wakes no timer; the one that looks for it tells the
// sleepers, and what time servers slew is no step.
TEST(SystemClockTest, ASetWallClockIsNoticedAndSlewIsNot)
{
    SystemClock clock;
    int changes = 0;
    QObject::connect(&clock, &Clock::changed, [&changes] { ++changes; });
    EXPECT_FALSE(clock.noticeStep(1'000'000'000, 500));
    EXPECT_FALSE(clock.noticeStep(1'000'020'300, 20'500));
    EXPECT_TRUE(clock.noticeStep(1'000'040'300 - 3'600'000, 40'500));
    EXPECT_FALSE(clock.noticeStep(1'000'060'300 - 3'600'000, 60'500));
    EXPECT_TRUE(clock.noticeStep(1'000'085'300 - 3'600'000, 80'500));
    EXPECT_EQ(changes, 2);
    // The real clocks read twice in a row are no step.
    clock.noticeStep();
    EXPECT_FALSE(clock.noticeStep());
}
