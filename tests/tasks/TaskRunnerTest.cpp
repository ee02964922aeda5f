#include "app/AppPreferences.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "tasks/TaskFactory.h"
#include "tasks/UpdateLUTsAfterUnlockTask.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

constexpr qint64 t0 = RunnerHarness::start;

// The runs recorded so far, barriers left out.
QStringList runs()
{
    QStringList result;
    for (const QString& entry : eventLog().entries())
        if (entry.startsWith("run:") && !entry.startsWith("run:barrier"))
            result << entry.mid(4);
    return result;
}

// Leaves the session unlocked for the next test: the locked flag is process-wide.
struct RunnerTest : ::testing::Test
{
    RunnerHarness harness;
    RunnerTest() { AppPreferences::set("NowInEnergySaveMode", "false"); }
    ~RunnerTest() override
    {
        if (TaskRunner::IsLocked())
            harness.runner().slotUnLockLUTLoader();
    }
};

TEST_F(RunnerTest, RunsTheTaskDueFirstAndBreaksTiesByListOrder)
{
    harness.addRecording("late", 1000, 50);
    harness.addRecording("tieA", 1000, 20);
    harness.addRecording("early", 1000, 10);
    harness.addRecording("tieB", 1000, 20);
    harness.startRunner();

    harness.clock().advanceSeconds(9);
    ASSERT_TRUE(harness.sync());
    EXPECT_TRUE(runs().isEmpty());

    harness.clock().advanceSeconds(11); // t0 + 20: early, tieA, tieB are due
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), (QStringList{"early", "tieA", "tieB"}));

    harness.clock().advanceSeconds(30);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), (QStringList{"early", "tieA", "tieB", "late"}));

    // Each runs again one period after its own start.
    harness.clock().advanceSeconds(1000 - 30);
    ASSERT_TRUE(harness.sync());
    // Now all three fall due at the same second again: list order decides.
    EXPECT_EQ(runs().mid(4), (QStringList{"tieA", "early", "tieB"}));
}

TEST_F(RunnerTest, ClockSetBackMakesRanTasksDueAtOnceAndLeavesWaitingOnesWaiting)
{
    harness.addRecording("ran", 600, 0);
    harness.addRecording("waiting", 600, 400);
    harness.startRunner();
    ASSERT_TRUE(harness.sync());
    ASSERT_EQ(runs(), QStringList{"ran"});

    harness.clock().advanceSeconds(100);
    ASSERT_TRUE(harness.sync());
    harness.clock().advanceSeconds(-50); // after "ran"'s last run: nothing changes
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), QStringList{"ran"});

    harness.clock().advanceSeconds(-2 * 86400); // before every last run
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), (QStringList{"ran", "ran", "waiting"}));
}

TEST_F(RunnerTest, SleepsUntilTheNextTaskIsDueInsteadOfPolling)
{
    harness.addRecording("later", 1000, 1000);
    harness.startRunner();
    ASSERT_TRUE(harness.sync());
    // Let the pause after the barrier end; from then on nothing is due for 1000 s.
    QThread::msleep(500);
    const int before = harness.runner().wakeUps();
    QThread::msleep(2500);
    EXPECT_EQ(harness.runner().wakeUps(), before);
    EXPECT_TRUE(runs().isEmpty());

    // The task clock moving is an event: the runner wakes and runs what fell due.
    harness.clock().advanceSeconds(1000);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), QStringList{"later"});
}

TEST_F(RunnerTest, LockedSessionStartsNoTaskAndUnlockQueuesOneReloadTenSecondsLater)
{
    FakeTray tray(true);
    TaskFactory::attachTrayIconInstance(&tray);
    harness.addRecording("periodic", 60, 5);
    harness.startRunner();

    harness.runner().slotLockLUTLoader();
    EXPECT_TRUE(TaskRunner::IsLocked());
    harness.clock().advanceSeconds(30);
    // The runner has seen the due task while locked; give it real time to misbehave.
    QThread::msleep(300);
    EXPECT_TRUE(runs().isEmpty());

    harness.runner().slotUnLockLUTLoader();
    harness.runner().slotUnLockLUTLoader();
    harness.runner().slotRefreshDisplaysAfterSleep();
    EXPECT_FALSE(TaskRunner::IsLocked());
    EXPECT_TRUE(harness.runner().checkUpdateLutAlreadyInQueue());
    Task* reload = nullptr;
    for (Task* task : harness.runner().queue().tasks())
        if (qobject_cast<UpdateLUTsAfterUnlockTask*>(task))
            reload = task;
    ASSERT_NE(reload, nullptr);
    EXPECT_EQ(reload->name(), "Update all LUTs after system unlock");
    const auto reloadGone = watchDestroyed(reload);
    EXPECT_EQ(harness.runner().queue().length(), 2);

    ASSERT_TRUE(harness.sync()); // the overdue periodic task runs once unlocked
    EXPECT_EQ(runs(), QStringList{"periodic"});
    harness.clock().advanceSeconds(9);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(eventLog().count("tray:reloadAll"), 0);

    harness.clock().advanceSeconds(1);
    ASSERT_TRUE(waitFor([&] { return reloadGone->load(); })); // run once, then destroyed
    EXPECT_EQ(eventLog().count("tray:reloadAll"), 1);
    EXPECT_FALSE(harness.runner().checkUpdateLutAlreadyInQueue());
    EXPECT_EQ(harness.runner().queue().length(), 1);

    // A display wake-up after that queues a new one, under its own name.
    harness.runner().slotRefreshDisplaysAfterSleep();
    const QList<Task*> queued = harness.runner().queue().tasks();
    ASSERT_EQ(queued.size(), 2);
    EXPECT_EQ(queued.last()->name(), "Update all LUTs after displays wake-up");
    TaskFactory::attachTrayIconInstance(nullptr);
}

TEST_F(RunnerTest, EnergySaveModeDefersTasksThatCannotWorkInSleep)
{
    ASSERT_TRUE(AppPreferences::set("NowInEnergySaveMode", "true"));
    Task* const awake = harness.addRecording("lutReload", 180, 10);
    harness.addRecording("hours", 1800, 10, true);
    // Its period is shorter than a deferral step: it must still wait, not spin.
    harness.runner().slotRefreshDisplaysAfterSleep();
    Task* const reload = harness.runner().queue().tasks().last();
    const auto reloadGone = watchDestroyed(reload);
    harness.startRunner();

    harness.clock().advanceSeconds(10);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), QStringList{"hours"});
    EXPECT_EQ(awake->nextRun(), quint64(t0 + 40));
    ASSERT_FALSE(reloadGone->load());
    EXPECT_EQ(reload->nextRun(), quint64(t0 + 40));

    harness.clock().advanceSeconds(30);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), QStringList{"hours"});
    EXPECT_EQ(awake->nextRun(), quint64(t0 + 70));

    // Ten days later (a long lock, or the clock set forward) it is deferred past now
    // in one go, to the next step.
    harness.clock().advanceSeconds(10 * 86400);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(awake->nextRun(), quint64(t0 + 70 + 10 * 86400));
    EXPECT_EQ(runs(), (QStringList{"hours", "hours"})); // it may work in sleep

    ASSERT_TRUE(AppPreferences::set("NowInEnergySaveMode", "false"));
    harness.clock().advanceSeconds(30);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), (QStringList{"hours", "hours", "lutReload"}));
    EXPECT_TRUE(reloadGone->load()); // ran (no tray: ends at once) and was destroyed
}

// Finishes on its own thread's event queue, after run() returned.
class LateTask : public Task
{
public:
    using Task::Task;
    void run() override
    {
        eventLog().add("run:" + name());
        QTimer::singleShot(0, [this] {
            eventLog().add(
                QString("late finish on runner thread:%1").arg(QThread::currentThread() != qApp->thread()));
            emit finished();
        });
    }
};

TEST_F(RunnerTest, TaskFinishingAfterRunKeepsTheRunnerWaitingWithItsEventsServed)
{
    harness.add(std::make_unique<LateTask>("late", 100, 0, harness.sharedClock()));
    harness.addRecording("next", 100, 0);
    harness.startRunner();
    ASSERT_TRUE(harness.sync());
    const QStringList entries = eventLog().entries();
    EXPECT_EQ(entries.mid(0, 3), (QStringList{"run:late", "late finish on runner thread:1", "run:next"}));
}

// Never finishes on its own.
class SilentTask : public Task
{
public:
    using Task::Task;
    void run() override { eventLog().add("run:" + name()); }
};

// Works inside run() until told to stop.
class BusyTask : public Task
{
public:
    using Task::Task;
    void run() override
    {
        eventLog().add("run:" + name());
        while (!terminateIfNeed())
            QThread::msleep(2);
    }
};

// Fails the way a task must not, but might.
class ThrowingTask : public Task
{
public:
    using Task::Task;
    void run() override
    {
        eventLog().add("run:" + name());
        throw std::runtime_error("disk full");
    }
};

TEST_F(RunnerTest, ATaskThatThrowsIsLoggedAndRunsAgainOnlyAfterItsPeriod)
{
    LogCapture log;
    harness.add(std::make_unique<ThrowingTask>("throwing", 60, 0, harness.sharedClock()));
    harness.addRecording("other", 60, 0);
    harness.startRunner();
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), (QStringList{"throwing", "other"}));
    EXPECT_TRUE(log.contains("throwing failed: disk full"));
    harness.clock().advanceSeconds(60);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(runs(), (QStringList{"throwing", "other", "throwing", "other"}));
}

TEST_F(RunnerTest, SafeTerminateEndsAWaitingTaskAndTheThread)
{
    harness.add(std::make_unique<SilentTask>("silent", 100, 0, harness.sharedClock()));
    harness.startRunner();
    ASSERT_TRUE(waitFor([] { return TaskRunner::IsExecute(); }));
    EXPECT_EQ(TaskRunner::CurrentTaskName(), "silent");
    EXPECT_TRUE(harness.runner().safeTerminate(10000));
    EXPECT_TRUE(harness.runner().isFinished());
}

// Ignores the terminate flag: stuck in run() until the test lets it go.
class StuckTask : public Task
{
public:
    StuckTask(std::atomic<bool>& release, const QString& name, std::shared_ptr<const Clock> clock)
        : Task(name, 100, 0, std::move(clock)), m_release(release)
    {
    }
    void run() override
    {
        eventLog().add("run:" + name());
        while (!m_release.load())
            QThread::msleep(5);
        emit finished();
    }

private:
    std::atomic<bool>& m_release;
};

TEST_F(RunnerTest, StopWithinGivesUpOnATaskStuckInRunAndSaysWhich)
{
    std::atomic<bool> release{false};
    auto runner = std::make_unique<TaskRunner>(harness.sharedClock());
    runner->add(std::make_unique<StuckTask>(release, "stuck", harness.sharedClock()));
    runner->safeStart();
    ASSERT_TRUE(waitFor([] { return eventLog().count("run:stuck") == 1; }));

    LogCapture log;
    TaskRunner* const left = TaskRunner::stopWithin(runner, 300);
    EXPECT_EQ(runner, nullptr);
    ASSERT_NE(left, nullptr);
    EXPECT_TRUE(log.contains("task stuck did not end within 300 ms")) << qPrintable(log.all());

    // The test lets the task go, so its thread ends before the runner is freed.
    release.store(true);
    EXPECT_TRUE(left->wait(QDeadlineTimer(60000)));
    delete left;
}

TEST_F(RunnerTest, SafeTerminateEndsATaskThatPollsItsTerminateFlag)
{
    LogCapture log;
    harness.add(std::make_unique<BusyTask>("busy", 100, 0, harness.sharedClock()));
    harness.startRunner();
    ASSERT_TRUE(waitFor([] { return eventLog().count("run:busy") == 1; }));
    EXPECT_TRUE(harness.runner().safeTerminate(10000));
    EXPECT_TRUE(log.contains("TaskRunner stopped"));
}

TEST_F(RunnerTest, ReloadTaskGivesUpOnASilentTrayAfterItsBound)
{
    LogCapture log;
    FakeTray tray(false);
    TaskFactory::attachTrayIconInstance(&tray);
    harness.runner().slotRefreshDisplaysAfterSleep();
    harness.addRecording("after", 1000, 11);
    harness.startRunner();

    harness.clock().advanceSeconds(11);
    ASSERT_TRUE(waitFor([] { return eventLog().count("tray:reloadAll") == 1; }));
    harness.clock().advanceSeconds(UpdateLUTsAfterUnlockTask::answerBound.count() - 1);
    QThread::msleep(100);
    EXPECT_TRUE(runs().isEmpty()); // still waiting for the tray
    harness.clock().advanceSeconds(1);
    ASSERT_TRUE(waitFor([] { return runs() == QStringList{"after"}; }));
    EXPECT_TRUE(log.contains("gave no answer within 120 s"));
    EXPECT_FALSE(harness.runner().checkUpdateLutAlreadyInQueue());
    TaskFactory::attachTrayIconInstance(nullptr);
}

TEST_F(RunnerTest, ReloadTaskWithoutATrayEndsAtOnce)
{
    LogCapture log;
    harness.runner().slotUnLockLUTLoader();
    harness.startRunner();
    harness.clock().advanceSeconds(10);
    ASSERT_TRUE(harness.sync());
    EXPECT_TRUE(log.contains("no tray attached"));
    EXPECT_EQ(harness.runner().queue().length(), 0);
}

TEST_F(RunnerTest, LogsEachStartEndAndTheNextTask)
{
    LogCapture log;
    harness.addRecording("first", 3600, 0);
    harness.startRunner();
    ASSERT_TRUE(waitFor([] { return runs().size() == 1; }));
    ASSERT_TRUE(waitFor([&] { return log.contains("Next Task - first next run "); }));
    const QString all = log.all();
    EXPECT_LT(all.indexOf("task started first"), all.indexOf("task ended"));
    EXPECT_LT(all.indexOf("task ended"), all.indexOf("Next Task - first next run "));
}

TEST(RunnerEmptyTest, RunnerWithAnEmptyQueueEndsAsSoonAsItStarts)
{
    useSimulatedWorkstation();
    TaskRunner runner;
    runner.safeStart();
    EXPECT_TRUE(runner.wait(20000));
}

} // namespace

namespace {

// The simulated workstation's session, heard through the runner's own listener.
void simulate(const QString& command)
{
    const QJsonObject reply = Platform::workstation()->apply({{"cmd", command}});
    ASSERT_TRUE(reply.value("ok").toBool()) << command.toStdString();
}

TEST_F(RunnerTest, SessionLockAndUnlockOfTheWorkstationPauseAndQueueOneReload)
{
    ASSERT_NE(Platform::workstation(), nullptr);
    bool lockedSignal = false;
    QObject::connect(&harness.runner(), &TaskRunner::signalSessionLocked, [&] { lockedSignal = true; });

    simulate("lock");
    ASSERT_TRUE(waitFor([] { return TaskRunner::IsLocked(); }));
    EXPECT_TRUE(lockedSignal);
    simulate("unlock");
    ASSERT_TRUE(waitFor([] { return !TaskRunner::IsLocked(); }));
    simulate("lock");
    simulate("unlock");
    ASSERT_TRUE(waitFor([] { return !TaskRunner::IsLocked(); }));
    EXPECT_EQ(harness.runner().queue().length(), 1);
    EXPECT_EQ(harness.runner().queue().front()->name(), "Update all LUTs after system unlock");
}

} // namespace
