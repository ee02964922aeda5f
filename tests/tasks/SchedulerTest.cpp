#include "app/OrvantaProcess.h"
#include "app/tray/TaskNotificationWindow.h"
#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/DBStatusDisplays.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "qa/QASchedulingGroups.h"
#include "qa/RegulationSettings.h"
#include "qa/UserScheduling.h"
#include "tasks/DueWorkCache.h"
#include "tasks/ManualClock.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskScheduler.h"
#include "tasks/VerifyFailedQADisplays.h"
#include "tests/support/TestPaths.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QDateTime>
#include <QDialog>
#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <atomic>
#include <functional>
#include <gtest/gtest.h>

namespace {

const qint64 kStart = QDateTime(QDate(2027, 5, 12), QTime(10, 0)).toSecsSinceEpoch();

// A workstation with one display under a one-step daily regulation that was never
// run, so its group is due at once; the main application is the stand-in.
class SchedulerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        useSimulatedWorkstation();
        DB::free();
        DB::setPath(TestPaths::freshFolder("scheduler"));
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        RegulationSettings::instance()->ClearRegulations();
        ASSERT_TRUE(RegulationSettings::instance()->ReadSettingsFromData(
            "<regulationsettings><regulation id=\"T\" name=\"Test\"><classifications><classification "
            "id=\"1\" "
            "name=\"One\"/></classifications><steps><step id=\"1\" name=\"Daily look\" "
            "type=\"visual\"><classification "
            "id=\"1\"><restrictions><restriction set=\"0\" "
            "frequency=\"0\"/></restrictions></classification></step>"
            "</steps><initialsteps/></regulation></regulationsettings>",
            false, false, "test"));
        DBPreferences preferences;
        preferences.setValue("UseScheduler", "true", false);
        preferences.setValue("UsedRegulation", "T", false);
        preferences.setValue("UsedClassification", "1", false);
        auto db = DB::get();
        db->addinfo("Displays", {{"displayid", "1"}, {"serial", "S1"}, {"isactive", "1"}});
        db->addinfo("CurrentDisplays", {{"id", "1"}});
        record = TestPaths::freshFolder("scheduler-standin") + "/arguments.jsonl";
        qputenv("LUTLOADER_STANDIN_RECORD", record.toLocal8Bit());
        OrvantaProcess::setProgramPath(TestPaths::toolProgram("mainapp_standin"));
        // The window postpones on the scheduler's clock, as in the agent: a pass between its
        // write and the scheduler's must not find the group due on another clock's time.
        window.setClock([this] { return clock->now(); });
        TaskFactory::attachNotificationWindowInst(&window);
    }
    void TearDown() override
    {
        if (scheduler) {
            scheduler->stopSchedulingThread();
            EXPECT_TRUE(scheduler->wait(20000));
            scheduler.reset();
        }
        TaskFactory::attachNotificationWindowInst(nullptr);
        DB::free();
    }

    void startScheduler()
    {
        scheduler = std::make_unique<TaskScheduler>(clock);
        scheduler->setPeriod(std::chrono::milliseconds(20));
        scheduler->start();
    }
    QString recorded() const
    {
        QFile file(record);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    bool passesGoOn(int more)
    {
        const int from = scheduler->passes();
        return waitFor([&] { return scheduler->passes() >= from + more; });
    }

    // Runs `write` on a thread of its own, with its own connection, as the main application
    // or another thread of the agent would.
    static void elsewhere(const std::function<void()>& write)
    {
        std::unique_ptr<QThread> thread(QThread::create(write));
        thread->start();
        thread->wait();
    }

    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(kStart);
    TaskNotificationWindow window;
    std::unique_ptr<TaskScheduler> scheduler;
    QString record;
};

} // namespace

TEST_F(SchedulerTest, DueGroupIsOfferedAndAcceptingStartsTheMainApplication)
{
    startScheduler();
    ASSERT_TRUE(waitFor([&] { return window.dialogs().size() == 1; }));
    const int group = QASchedulingGroups().GetGroupIdByKey(QASchedulingGroups().getGroup(1).value("TaskKey"));
    // While the notification is open no second one is raised.
    ASSERT_TRUE(passesGoOn(3));
    EXPECT_EQ(window.dialogs().size(), 1u);
    window.perform();
    ASSERT_TRUE(waitFor([&] { return recorded().contains("runqa"); }));
    EXPECT_TRUE(recorded().contains("\"runqa\",\"" + QString::number(group) + "\""));
}

TEST_F(SchedulerTest, RemindMeInBringsTheGroupBackAfterItsTime)
{
    startScheduler();
    ASSERT_TRUE(waitFor([&] { return window.dialogs().size() == 1; }));
    window.remind(900);
    ASSERT_TRUE(waitFor([&] { return window.dialogs().empty(); }));
    EXPECT_EQ(QASchedulingGroups().getGroup(1).value("nextdate").toLongLong(), kStart + 900);

    clock->advanceSeconds(14 * 60);
    ASSERT_TRUE(passesGoOn(3));
    EXPECT_TRUE(window.dialogs().empty());
    clock->advanceSeconds(60);
    ASSERT_TRUE(waitFor([&] { return window.dialogs().size() == 1; }));
}

TEST_F(SchedulerTest, UserTaskNotificationHoldsTheSchedulerUntilAnswered)
{
    UserScheduling tasks;
    const int task = tasks.addRecord(
        {{"displayid", "1"}, {"schedtype", "2"}, {"StartTime", "09:00"}, {"tasktype_id", "con"}});
    ASSERT_GT(task, 0);
    SimWorkstation* workstation = Platform::workstation();
    workstation->apply({{"cmd", "screensaver"}, {"state", "on"}});
    const int awake = workstation->state().value("keepAwakeRequests").toInt();
    startScheduler();
    // An answer while nothing is open must not end the coming wait.
    QMetaObject::invokeMethod(scheduler.get(), &TaskScheduler::quit);
    ASSERT_TRUE(waitFor([&] { return scheduler->notificationOpen(); }));
    // The user is asked on a woken screen that stays awake.
    EXPECT_EQ(workstation->screenSaver(), SimWorkstation::ScreenSaverState::Off);
    EXPECT_GT(workstation->state().value("keepAwakeRequests").toInt(), awake);
    const int passes = scheduler->passes();
    waitFor([] { return false; }, 300);
    EXPECT_TRUE(scheduler->notificationOpen());
    EXPECT_EQ(scheduler->passes(), passes);
    ASSERT_EQ(window.dialogs().size(), 1u);

    window.perform();
    ASSERT_TRUE(waitFor([&] { return !scheduler->notificationOpen(); }));
    ASSERT_TRUE(waitFor([&] { return recorded().contains("runusr"); }));
    // Run now: the task's next run is tomorrow's 09:00.
    EXPECT_EQ(tasks.get(task).value("nextrun").toLongLong(),
              QDateTime(QDate(2027, 5, 13), QTime(9, 0)).toSecsSinceEpoch());
}

TEST_F(SchedulerTest, StoppingEndsAnOpenWait)
{
    UserScheduling().addRecord(
        {{"displayid", "1"}, {"schedtype", "2"}, {"StartTime", "09:00"}, {"tasktype_id", "cal"}});
    SimWorkstation* workstation = Platform::workstation();
    workstation->apply({{"cmd", "screensaver"}, {"state", "locked"}});
    startScheduler();
    ASSERT_TRUE(waitFor([&] { return scheduler->notificationOpen(); }));
    // A password-protected screen saver is the user's to end.
    EXPECT_EQ(workstation->screenSaver(), SimWorkstation::ScreenSaverState::Locked);
    workstation->apply({{"cmd", "screensaver"}, {"state", "off"}});
    scheduler->stopSchedulingThread();
    EXPECT_TRUE(waitFor([&] { return scheduler->isFinished(); }));
}

TEST_F(SchedulerTest, ExcludedQANotificationsAndHeldLocksRaiseNothing)
{
    DBPreferences().setValue("ExcludeQANotofication", "true", false);
    startScheduler();
    ASSERT_TRUE(passesGoOn(3));
    EXPECT_TRUE(window.dialogs().empty());
    // User tasks are still offered.
    UserScheduling tasks;
    const int task = tasks.addRecord(
        {{"displayid", "1"}, {"schedtype", "2"}, {"StartTime", "09:00"}, {"tasktype_id", "cal"}});
    tasks.updateNextRun(task, kStart);
    ASSERT_TRUE(waitFor([&] { return window.dialogs().size() == 1; }));
}

TEST_F(SchedulerTest, SchedulerWithoutPermissionEndsOnce)
{
    DBPreferences().setValue("UseScheduler", "false", false);
    scheduler = std::make_unique<TaskScheduler>(clock);
    QSignalSpy ended(scheduler.get(), &TaskScheduler::finished);
    scheduler->setPeriod(std::chrono::milliseconds(20));
    scheduler->start();
    ASSERT_TRUE(waitFor([&] { return scheduler->isFinished(); }));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(window.dialogs().empty());
}

TEST_F(SchedulerTest, FailedDisplaysAreWarnedOnceADay)
{
    auto db = DB::get();
    db->addinfo("Displays", {{"displayid", "2"}, {"serial", "S2"}, {"isactive", "1"}});
    db->addinfo("CurrentDisplays", {{"id", "2"}});
    db->addinfo("Displays", {{"displayid", "3"}, {"serial", "S3"}, {"isactive", "1"}});
    db->addinfo("CurrentDisplays", {{"id", "3"}});
    DBStatusDisplays statuses;
    statuses.SetStatusInfo(1, "all_qa_steps_ok", "0");
    statuses.SetStatusInfo(2, "all_qa_steps_ok", "0");
    statuses.SetStatusInfo(3, "all_qa_steps_ok", "1");

    VerifyFailedQADisplays task("QAFailedCheck", 300, 300, clock);
    QSignalSpy shown(&task, &VerifyFailedQADisplays::signalShowDialog);
    QObject::connect(&task, &VerifyFailedQADisplays::signalShowDialog, &task,
                     &VerifyFailedQADisplays::slotDialogFinished, Qt::QueuedConnection);
    task.start();
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.at(0).at(0).toStringList().size(), 2);
    EXPECT_EQ(task.lastWarnings().value(1), kStart);

    clock->advanceSeconds(86400);
    task.start();
    EXPECT_EQ(shown.count(), 1);
    clock->advanceSeconds(1);
    task.start();
    EXPECT_EQ(shown.count(), 2);
    // A clock set back makes the stored time lie in the future: warned again.
    clock->setSeconds(kStart - 3600);
    task.start();
    EXPECT_EQ(shown.count(), 3);
}

// Nothing due and nothing changed: the plan is not rebuilt and the due work not read again.
// Whatever could change it makes the next look read again.
TEST_F(SchedulerTest, DueWorkIsReadAgainOnlyWhenSomethingItIsMadeOfChanged)
{
    DBPreferences().setValue("UsedClassification", "2", false); // no such classification: nothing due
    DueWorkCache cache;
    EXPECT_TRUE(cache.at(kStart).dueGroups.isEmpty());
    EXPECT_FALSE(cache.lastWasReused());
    cache.at(kStart + 20);
    EXPECT_TRUE(cache.lastWasReused());
    EXPECT_EQ(cache.rebuilds(), 1);

    // Another connection changes the regulation in force: planned anew, the group is due.
    elsewhere([] { DBPreferences().setValue("UsedClassification", "1", false); });
    EXPECT_EQ(cache.at(kStart + 40).dueGroups.size(), 1);
    EXPECT_EQ(cache.rebuilds(), 2);
    // Due work is read on every look while something is due, the plan is not rebuilt.
    EXPECT_EQ(cache.at(kStart + 60).dueGroups.size(), 1);
    EXPECT_FALSE(cache.lastWasReused());
    EXPECT_EQ(cache.rebuilds(), 2);

    // A change through this thread's own connection counts as well.
    DBPreferences().setValue("UsedClassification", "2", false);
    EXPECT_TRUE(cache.at(kStart + 80).dueGroups.isEmpty());
    cache.at(kStart + 100);
    EXPECT_TRUE(cache.lastWasReused());

    // Regulations read again, a clock set back, a new day.
    const int rebuilds = cache.rebuilds();
    RegulationSettings::instance()->ClearRegulations();
    cache.at(kStart + 120);
    EXPECT_EQ(cache.rebuilds(), rebuilds + 1);
    cache.at(kStart - 3600);
    EXPECT_EQ(cache.rebuilds(), rebuilds + 2);
    cache.at(kStart + 86400);
    EXPECT_EQ(cache.rebuilds(), rebuilds + 3);
    cache.at(kStart + 86400 + 20);
    EXPECT_TRUE(cache.lastWasReused());

    // A user task stored for later becomes due when its time comes, with no other change.
    const qint64 later = kStart + 86400 + 3600;
    elsewhere([later] {
        UserScheduling tasks;
        const int task = tasks.addRecord({{"displayid", "1"}, {"schedtype", "2"}, {"tasktype_id", "cal"}});
        DB::get()->changeinfo("UserScheduling", {{"taskid", QString::number(task)}},
                              {{"nextrun", QString::number(later)}});
    });
    EXPECT_TRUE(cache.at(later - 60).userTasks.isEmpty());
    cache.at(later - 40);
    EXPECT_TRUE(cache.lastWasReused());
    EXPECT_EQ(cache.at(later).userTasks.size(), 1);
}

TEST_F(SchedulerTest, QuietPassesStillNoticeAnUnpluggedDisplayAndAChangedPlan)
{
    DBPreferences().setValue("UsedClassification", "2", false);
    startScheduler();
    std::atomic<int> refreshes{0};
    QObject::connect(
        scheduler.get(), &TaskScheduler::refreshContextMenu, scheduler.get(), [&] { ++refreshes; },
        Qt::DirectConnection);
    ASSERT_TRUE(passesGoOn(3));
    EXPECT_GT(scheduler->quietPasses(), 0);
    EXPECT_EQ(scheduler->planRebuilds(), 1);

    const int before = refreshes.load();
    ASSERT_TRUE(Platform::workstation()->apply({{"cmd", "unplug"}, {"output", "DP-2"}}).value("ok").toBool());
    ASSERT_TRUE(waitFor([&] { return refreshes.load() > before; }));
    ASSERT_TRUE(passesGoOn(2));
    EXPECT_EQ(refreshes.load(), before + 1);

    Platform::workstation()->apply({{"cmd", "plug"}, {"output", "DP-2"}});
    // A change of the regulation in force made elsewhere is planned and offered.
    DBPreferences().setValue("UsedClassification", "1", false);
    ASSERT_TRUE(waitFor([&] { return window.dialogs().size() == 1; }));
}
