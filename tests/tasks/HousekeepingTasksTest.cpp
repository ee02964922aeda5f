#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "db/DB.h"
#include "db/DBDisplayStatistic.h"
#include "db/KaldoDynamicData.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"
#include "settings/GlobalData.h"
#include "tasks/EnergyModeTask.h"
#include "tasks/LUTReloadTask.h"
#include "tasks/SynchronizeDatabaseTask.h"
#include "tasks/TaskFactory.h"
#include "tasks/UpdateTask.h"
#include "tasks/VideoAdapterCheckTask.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tests/tasks/HousekeepingTestSupport.h"
#include "tests/update/LocalUpdateServer.h"
#include "update/KaldoUpdate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// Local wall-clock instants after the harness's start, so time only moves forward.
qint64 at(int day, int hour, int minute)
{
    return QDateTime(QDate(2027, 2, day), QTime(hour, minute)).toSecsSinceEpoch();
}

bool lockIsFree(const char* key)
{
    KaldoSharedMemory probe(key, "test probe", 1);
    return !probe.IsLocked();
}

void addCurrentDisplay(int id, const QString& name, const QString& adapterKey)
{
    DisplayInfo info;
    info.setName(name);
    info.setVideoCardKey(adapterKey);
    CurrentDisplays::AddDisplay(id, info);
}

class HousekeepingTest : public ::testing::Test
{
protected:
    HousekeepingTest()
    {
        AppPreferences::initDatabase();
        AppPreferences::set("NowInEnergySaveMode", "false");
        AppPreferences::set("PutDisplaysToEnergySaveMode", "true");
        AppPreferences::set("StartEnergySaveMode", "23:00");
        AppPreferences::set("EndEnergySaveMode", "6:00");
        EnergyModeTask::resetProcessState();
        VideoAdapterCheckTask::resetProcessState();
        CurrentDisplays::Clear();
        TaskFactory::attachTrayIconInstance(&tray);
        TaskFactory::attachEnergyNotificationWindowInst(&energyWindow);
        TaskFactory::attachVideoAdapterWindowInst(&adapterWindow);
        eventLog().clear();
    }
    ~HousekeepingTest() override
    {
        TaskFactory::attachTrayIconInstance(nullptr);
        TaskFactory::attachEnergyNotificationWindowInst(nullptr);
        TaskFactory::attachVideoAdapterWindowInst(nullptr);
        CurrentDisplays::Clear();
        qunsetenv("LUTLOADER_STANDIN_RECORD");
        qunsetenv("LUTLOADER_STANDIN_EXIT");
    }

    Task* addTask(int type, const QString& name, qint64 timeout)
    {
        return h.add(TaskFactory::create(type, name, timeout, -1, h.sharedClock()));
    }

    // The runner goes first, so no task outlives the tray and windows it talks to.
    AnsweringTray tray;
    RecordingEnergyWindow energyWindow;
    RecordingAdapterWindow adapterWindow;
    RunnerHarness h;
};

TEST(EnergyHours, WindowThroughMidnightAndOrdinaryWindow)
{
    const QTime start = EnergyModeTask::parseTime("23:00");
    const QTime end = EnergyModeTask::parseTime("6:00"); // the product default, one hour digit
    ASSERT_TRUE(start.isValid());
    ASSERT_EQ(end, QTime(6, 0));
    EXPECT_TRUE(EnergyModeTask::isInside(start, end, QTime(23, 30)));
    EXPECT_TRUE(EnergyModeTask::isInside(start, end, QTime(5, 59)));
    EXPECT_TRUE(EnergyModeTask::isInside(start, end, QTime(0, 0)));
    EXPECT_FALSE(EnergyModeTask::isInside(start, end, QTime(6, 0)));
    EXPECT_FALSE(EnergyModeTask::isInside(start, end, QTime(22, 59)));

    const QTime lunch = EnergyModeTask::parseTime("12:00");
    const QTime afternoon = EnergyModeTask::parseTime("14:30");
    EXPECT_TRUE(EnergyModeTask::isInside(lunch, afternoon, QTime(12, 0)));
    EXPECT_FALSE(EnergyModeTask::isInside(lunch, afternoon, QTime(14, 30)));
    EXPECT_FALSE(EnergyModeTask::isInside(lunch, afternoon, QTime(23, 30)));

    EXPECT_FALSE(EnergyModeTask::parseTime("").isValid());
    EXPECT_FALSE(EnergyModeTask::parseTime("25:00").isValid());
    EXPECT_FALSE(EnergyModeTask::parseTime("six").isValid());
}

TEST_F(HousekeepingTest, EnergyWindowPutsDisplaysToSleepAndMorningWakesThem)
{
    LogCapture log;
    h.clock().setSeconds(at(1, 23, 30));
    addTask(TaskFactory::EnergyMode, "EnergyMode", 30);
    h.startRunner();
    ASSERT_TRUE(waitFor([] { return eventLog().count("window:energy") == 1; }));
    emit energyWindow.accepted();
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(AppPreferences::get("NowInEnergySaveMode"), "true");
    EXPECT_EQ(eventLog().count("tray:turnOff"), 1);
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));

    // Within the hour after an offer the task ends at once without a second window;
    // a late rejection (the window closed by a session lock) must not wake anything.
    h.clock().advanceSeconds(30);
    ASSERT_TRUE(h.sync());
    emit energyWindow.rejected();
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(log.all().count("EnergyModeTask run()"), 2);
    EXPECT_EQ(eventLog().count("window:energy"), 1);
    EXPECT_EQ(AppPreferences::get("NowInEnergySaveMode"), "true");

    h.clock().setSeconds(at(2, 6, 0));
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(eventLog().count("tray:turnOn"), 1);
    EXPECT_EQ(AppPreferences::get("NowInEnergySaveMode"), "false");
    EXPECT_TRUE(log.contains("ENERGY mode task 23:00 06:00 false"));
}

TEST_F(HousekeepingTest, RejectedEnergyWindowKeepsDisplaysAwakeAndWhileAsleepOnlySleepWorkersRun)
{
    h.clock().setSeconds(at(3, 5, 59));
    addTask(TaskFactory::EnergyMode, "EnergyMode", 30);
    h.startRunner();
    ASSERT_TRUE(waitFor([] { return eventLog().count("window:energy") == 1; }));
    emit energyWindow.rejected();
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(eventLog().count("tray:turnOff"), 0);
    EXPECT_EQ(AppPreferences::get("NowInEnergySaveMode"), "false");

    // Asleep, a LUT reload waits while the hours refresh still runs.
    AppPreferences::set("NowInEnergySaveMode", "true");
    tray.addDisplay("Left", true);
    LogCapture log;
    addTask(TaskFactory::LUTReload, "LUTLoad", 180);
    addTask(TaskFactory::DisplaysHoursRefresh, "DispHoursRefresh", 1800);
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(eventLog().count("tray:load:Left"), 0);
    EXPECT_TRUE(log.contains("DisplaysHoursRefreshTask run()"));
}

TEST_F(HousekeepingTest, StoppingTheRunnerEndsAnOpenEnergyWindowWaitAndFreesTheLock)
{
    h.clock().setSeconds(at(8, 23, 30));
    addTask(TaskFactory::EnergyMode, "EnergyMode", 30);
    h.startRunner();
    ASSERT_TRUE(waitFor([] { return eventLog().count("window:energy") == 1; }));
    EXPECT_FALSE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
    ASSERT_TRUE(h.runner().safeTerminate(20000));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
    // The window's late answer reaches a task that no longer waits for it.
    emit energyWindow.accepted();
    waitFor([] { return true; });
    EXPECT_EQ(eventLog().count("tray:turnOff"), 0);
    EXPECT_EQ(AppPreferences::get("NowInEnergySaveMode"), "false");
}

TEST_F(HousekeepingTest, AwakeTimeIsCountedPerDisplayAtMostEveryTenMinutes)
{
    addCurrentDisplay(41, "Left", "card0");
    addCurrentDisplay(42, "Right", "card0");
    auto clock = std::make_shared<ManualClock>(at(4, 10, 0));
    EnergyModeTask task("EnergyMode", 30, 0, clock);
    const QString day = "2027.02.04";
    DBDisplayStatistic statistic;
    // The database outlives a test run: count from what is there.
    const int left = statistic.GetStatisticInfo(day, 41);
    const int right = statistic.GetStatisticInfo(day, 42);

    task.addStatisticInfo();
    EXPECT_EQ(statistic.GetStatisticInfo(day, 41), left + 1);
    EXPECT_EQ(statistic.GetStatisticInfo(day, 42), right + 1);
    clock->advanceSeconds(599);
    task.addStatisticInfo();
    EXPECT_EQ(statistic.GetStatisticInfo(day, 41), left + 1);
    clock->advanceSeconds(1);
    task.addStatisticInfo();
    EXPECT_EQ(statistic.GetStatisticInfo(day, 41), left + 2);
    EXPECT_EQ(statistic.GetStatisticInfo(day, 42), right + 2);

    // A run with energy saving switched off still counts.
    AppPreferences::set("PutDisplaysToEnergySaveMode", "false");
    clock->advanceSeconds(600);
    task.start();
    EXPECT_EQ(statistic.GetStatisticInfo(day, 41), left + 3);
    EXPECT_EQ(AppPreferences::get("NowInEnergySaveMode"), "false");
}

// The energy task runs every 30 s, but while a run could change nothing it does not wake
// the runner: with energy saving off until its next awake-time count, inside the hours
// until the next offer. A preference written to the database ends that sleep.
TEST_F(HousekeepingTest, EnergyTaskSleepsWhileNothingCanChangeAndWakesWhenTheDatabaseChanges)
{
    LogCapture log;
    const auto runs = [&log] { return log.all().count("EnergyModeTask run()"); };
    AppPreferences::set("PutDisplaysToEnergySaveMode", "false");
    h.clock().setSeconds(at(5, 22, 0));
    addTask(TaskFactory::EnergyMode, "EnergyMode", 30);
    h.startRunner();
    ASSERT_TRUE(h.sync());
    ASSERT_EQ(runs(), 1);
    h.clock().advanceSeconds(570);
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(runs(), 1);
    h.clock().advanceSeconds(30);
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(runs(), 2);

    // The main application switches energy saving on for hours that have begun; the
    // task sees it after its period, not at its next count.
    AppPreferences::set("StartEnergySaveMode", "22:00");
    AppPreferences::set("PutDisplaysToEnergySaveMode", "true");
    h.clock().advanceSeconds(30);
    ASSERT_TRUE(waitFor([] { return eventLog().count("window:energy") == 1; }));
    emit energyWindow.rejected();
    ASSERT_TRUE(h.sync());

    // Inside the hours, with the window just answered, the next run finds nothing to do
    // and the one after it is the next offer, an hour after this one.
    h.clock().advanceSeconds(30);
    ASSERT_TRUE(h.sync());
    const int quiet = runs();
    h.clock().advanceSeconds(1800);
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(runs(), quiet);
    h.clock().advanceSeconds(1800);
    ASSERT_TRUE(waitFor([] { return eventLog().count("window:energy") == 2; }));
    EXPECT_EQ(runs(), quiet + 1);
}

TEST_F(HousekeepingTest, UnreadableHoursNeverSwitchDisplaysOff)
{
    AppPreferences::set("StartEnergySaveMode", "late");
    LogCapture log;
    auto clock = std::make_shared<ManualClock>(at(5, 23, 30));
    EnergyModeTask task("EnergyMode", 30, 0, clock);
    task.start();
    EXPECT_TRUE(log.contains("unusable energy-save hours"));
    EXPECT_EQ(eventLog().count("window:energy"), 0);
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
}

TEST_F(HousekeepingTest, ReloadAsksForEachLoadedDisplayAndEndsOnTheLastAnswer)
{
    tray.addDisplay("Left", true);
    tray.addDisplay("Middle", false);
    tray.addDisplay("Right", true);
    addTask(TaskFactory::LUTReload, "LUTLoad", 180);
    h.startRunner();
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(eventLog().count("tray:load:Left"), 1);
    EXPECT_EQ(eventLog().count("tray:load:Middle"), 0);
    EXPECT_EQ(eventLog().count("tray:load:Right"), 1);
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));

    // Next period: the same loads once more, none left over from the first run.
    h.clock().advanceSeconds(180);
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(eventLog().count("tray:load:Left"), 2);
    EXPECT_EQ(eventLog().count("tray:load:Right"), 2);
}

TEST_F(HousekeepingTest, ReloadDoesNothingWhileCalibratingOrWithNothingLoaded)
{
    LogCapture log;
    tray.addDisplay("Left", false);
    addTask(TaskFactory::LUTReload, "LUTLoad", 180);
    h.startRunner();
    ASSERT_TRUE(h.sync());
    EXPECT_TRUE(log.contains("LUT Reload start!!!!"));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));

    tray.addDisplay("Right", true);
    {
        KaldoSharedMemory mainApplication(SHARED_MEMORY_KEY_CALIBRATION, "main application", 1, true);
        ASSERT_TRUE(mainApplication.isHeld());
        h.clock().advanceSeconds(180);
        ASSERT_TRUE(h.sync());
    }
    EXPECT_TRUE(log.contains("Calibration in progress - stops"));
    EXPECT_EQ(eventLog().count("tray:load:Right"), 0);
}

TEST_F(HousekeepingTest, ReloadGivesUpOnALostAnswerAndFreesTheLock)
{
    tray.answerLoads = false;
    tray.addDisplay("Left", true);
    addTask(TaskFactory::LUTReload, "LUTLoad", 3600);
    h.startRunner();
    ASSERT_TRUE(waitFor([] { return eventLog().count("tray:load:Left") == 1; }));
    EXPECT_FALSE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
    h.clock().advanceSeconds(LUTReloadTask::answerBound.count());
    ASSERT_TRUE(h.sync());
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
}

TEST_F(HousekeepingTest, ReloadHearsTheAnswerOfAnyTrayClass)
{
    ShadowingTray shadowing;
    shadowing.addDisplay("Left", true);
    ListOnlyTray listOnly;
    LogCapture log;
    for (LUTLoaderTrayInterface* const other :
         std::initializer_list<LUTLoaderTrayInterface*>{&shadowing, &listOnly}) {
        TaskFactory::attachTrayIconInstance(other);
        addTask(TaskFactory::LUTReload, "LUTLoad", 3600);
    }
    h.startRunner();
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(eventLog().count("tray:load:Left"), 1);
    EXPECT_EQ(log.all().count("reload finished fully"), 2);
    EXPECT_TRUE(log.contains("this tray cannot reload display 7"));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
}

class AdapterTest : public HousekeepingTest
{
protected:
    AdapterTest()
    {
        recordFile = TestPaths::freshFolder("gcreaction") + "/arguments.jsonl";
        qputenv("LUTLOADER_STANDIN_RECORD", recordFile.toLocal8Bit());
        OrvantaProcess::setProgramPath(TestPaths::toolProgram("mainapp_standin"));
        const std::shared_ptr<KaldoDynamicData> db = DB::get();
        db->delinfo("VideoDevicesData", KaldoDynamicData::Values{});
        // Left was accepted on card A and now hangs on B; Middle stayed; Right was never tested.
        db->addinfo("VideoDevicesData", {{"key", "card-A"}, {"displayid", "7"}, {"stepid", "0"}});
        db->addinfo("VideoDevicesData", {{"key", "card-A"}, {"displayid", "8"}, {"stepid", "0"}});
        addCurrentDisplay(7, "Left", "card-B");
        addCurrentDisplay(8, "Middle", "card-A");
        addCurrentDisplay(9, "Right", "card-B");
    }

    int starts() const
    {
        QFile file(recordFile);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return int(file.readAll().count("GCReaction"));
    }

    QString recordFile;
};

TEST_F(AdapterTest, MovedDisplayIsReportedAfterTheMainApplicationsReaction)
{
    EXPECT_EQ(VideoAdapterCheckTask::movedDisplays(), QStringList{"Left"});
    qputenv("LUTLOADER_STANDIN_EXIT", "0");
    addTask(TaskFactory::VideoAdapterCheck, "Video Adapter Check", 600000);
    h.startRunner();
    ASSERT_TRUE(h.sync());
    ASSERT_TRUE(waitFor([] { return eventLog().count("window:adapter:Left") == 1; }));
    EXPECT_EQ(starts(), 1);
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
}

TEST_F(AdapterTest, TablesAreRegeneratedAtMostOncePerDay)
{
    LogCapture log;
    qputenv("LUTLOADER_STANDIN_EXIT", "1");
    h.clock().setSeconds(at(6, 9, 0));
    addTask(TaskFactory::VideoAdapterCheck, "Video Adapter Check", 3600);
    h.startRunner();
    ASSERT_TRUE(h.sync());
    h.clock().advanceSeconds(3600);
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(starts(), 2);
    EXPECT_EQ(log.all().count("regenerating QA tables"), 1);
    EXPECT_TRUE(log.contains("QA tables already regenerated today"));
    EXPECT_EQ(eventLog().count("window:adapter:Left"), 0);

    h.clock().setSeconds(at(7, 9, 0));
    ASSERT_TRUE(h.sync());
    EXPECT_EQ(log.all().count("regenerating QA tables"), 2);
}

TEST_F(AdapterTest, MissingMainApplicationEndsTheCheck)
{
    LogCapture log;
    OrvantaProcess::setProgramPath(TestPaths::freshFolder("nomainapp") + "/Orvanta");
    addTask(TaskFactory::VideoAdapterCheck, "Video Adapter Check", 600000);
    h.startRunner();
    ASSERT_TRUE(h.sync());
    EXPECT_TRUE(log.contains("?? GCReaction - -1"));
    EXPECT_EQ(eventLog().count("window:adapter:Left"), 0);
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
}

TEST_F(HousekeepingTest, SynchronisationShellTakesAndReleasesItsLock)
{
    LogCapture log;
    AppPreferences::set("remoteOn", "on");
    AppPreferences::set("DataBaseSynchronizationInterval", "60");
    const qint64 now = h.clock().now();
    AppPreferences::set("DataBaseSynchronizationInterval_LastTime", QString::number(now - 600));
    SynchronizeDatabaseTask task("Database synchronization", 120, 0, h.sharedClock());
    EXPECT_EQ(task.interval(), 3600);
    EXPECT_EQ(task.nextSync(now), now + 3000);
    EXPECT_EQ(task.nextSync(now - 1000), now - 1000); // the clock was set back
    task.start();
    EXPECT_TRUE(log.contains("time out "));

    h.clock().advanceSeconds(3000);
    task.start();
    EXPECT_TRUE(log.contains("Start Sinchronization - "));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_SYNCHRONIZATION));

    {
        KaldoSharedMemory other(SHARED_MEMORY_KEY_SYNCHRONIZATION, "main application", 1, true);
        task.start();
        EXPECT_TRUE(log.contains("Synchronization sharedmemory grabbed - stops"));
    }
    {
        KaldoSharedMemory other(SHARED_MEMORY_KEY_CALIBRATION, "main application", 1, true);
        task.start();
        EXPECT_TRUE(log.contains("Calibration or QA in progress - stops"));
    }
    AppPreferences::set("remoteOn", "off");
    task.start();
    EXPECT_TRUE(log.contains("remote off"));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_SYNCHRONIZATION));
}

TEST_F(HousekeepingTest, UpdateShellChecksOnlyWhenWantedAndFreesItsLock)
{
    EXPECT_EQ(UpdateTask::updateAddress("updates.example.org/check"), "http://updates.example.org/check");
    EXPECT_EQ(UpdateTask::updateAddress("HTTPS://updates.example.org"), "HTTPS://updates.example.org");
    EXPECT_EQ(UpdateTask::updateAddress("proxy?u=http://x"), "proxy?u=http://x");

    LogCapture log;
    UpdateTask task("Software Update", 86400, 120, h.sharedClock());
    AppPreferences::set("UpdateSoftwareAutomaticaly", "false");
    task.start();
    EXPECT_TRUE(log.contains("UpdateTask - update deselected"));
    AppPreferences::set("UpdateSoftwareAutomaticaly", "true");
    task.start();
    EXPECT_TRUE(log.contains("UpdateTask - update address"));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));
}

TEST_F(HousekeepingTest, UpdateTaskAnnouncesANewerVersionUntilItIsSkipped)
{
    LocalUpdateServer server;
    server.answer(200, "<update version=\"4.1\"><link>https://dl.example.org/o.exe</link></update>");
    GlobalData::instance().SetValue(GLOBALDATA_VERSION_CURRENT, "4.0");
    GlobalData::instance().SetValue(GLOBALDATA_VERSION_BUILD, "2267");
    GlobalData::instance().SetValue(GLOBALDATA_UPDATE_LINK, server.address("/check?product=orvanta"));
    AppPreferences::set("UpdateSoftwareAutomaticaly", "true");
    AppPreferences::set(VERSION_SKIPPED, "");
    const QString balloon = "tray:message:newer version 4.1 at https://dl.example.org/o.exe";

    const std::unique_ptr<Task> built =
        TaskFactory::create(3, "Software Update", 86400, 120, h.sharedClock());
    auto& task = dynamic_cast<UpdateTask&>(*built);
    task.start();
    EXPECT_TRUE(waitFor([&] { return eventLog().count(balloon) == 1; }));
    EXPECT_TRUE(lockIsFree(SHARED_MEMORY_KEY_CALIBRATION));

    task.slotUpdateSkkip();
    EXPECT_EQ(AppPreferences::get(VERSION_SKIPPED), "4.1");
    eventLog().clear();
    LogCapture log;
    task.start();
    EXPECT_TRUE(log.contains("UpdateTask - up to date"));
    server.answer(500, "");
    task.start();
    EXPECT_TRUE(log.contains("UpdateTask - nothing to offer: updateError"));
    QCoreApplication::processEvents();
    EXPECT_EQ(eventLog().count(balloon), 0);
    GlobalData::instance().SetValue(GLOBALDATA_UPDATE_LINK, "");
}

TEST(HousekeepingFactory, EveryTaskOfTheListAndTheUnlistedOnesAreBuilt)
{
    for (const int type : {2, 3, 4, 5, 6, 7, 8, 10, 15, 16}) {
        const std::unique_ptr<Task> task = TaskFactory::create(type, "t", 60, 0);
        ASSERT_NE(task, nullptr) << type;
        EXPECT_EQ(task->canWorkInSleep(), type == 2 || type == 6 || type == 15) << type;
        EXPECT_FALSE(task->isDisposable()) << type;
    }
    // The unlisted ones end a run at once rather than stall the runner.
    for (const int type : {4, 7, 10, 16}) {
        const std::unique_ptr<Task> task = TaskFactory::create(type, "unlisted", 60, 0);
        task->start();
        EXPECT_GT(task->lastRun(), 0);
    }
}

} // namespace
