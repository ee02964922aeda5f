#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "settings/BaseDataPool.h"
#include "sync/BaseRemoteSettings.h"
#include "sync/BaseSynchronizer.h"
#include "tasks/SynchronizeDatabaseTask.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/sync/SyncFixture.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QMutex>
#include <QSignalSpy>

// The main thread's side of synchronisation and the agent's periodic task, against the local server.
class SyncRemote : public SyncAgent
{
protected:
    void SetUp() override
    {
        SyncAgent::SetUp();
        exec("DELETE FROM UserScheduling");
        exec("DELETE FROM Preferences WHERE name IN ('MinAmbientLux', 'AmbientSource')");
        server().setReply("PREFERENCES",
                          {{"data", QJsonArray{QJsonObject{{"name", "MinAmbientLux"}, {"value", "30"}}}}});
    }
};

TEST_F(SyncRemote, BaseRemoteSettingsRunsOnlyWithRemoteOnThenAsksEveryPartToReload)
{
    addHistory(addDisplay("SN-BRS", true), 2);
    BaseRemoteSettings remote;
    QSignalSpy finished(&remote, &BaseRemoteSettings::synchronizeFinished);
    QSignalSpy reload(&remote, &BaseRemoteSettings::refreshPrefs);
    QSignalSpy scheduler(&remote, &BaseRemoteSettings::regenerateScheduler);
    QSignalSpy history(&remote, &BaseRemoteSettings::regenerateHistory);
    QSignalSpy consistency(&remote, &BaseRemoteSettings::regenerateConsistency);

    DBPreferences().setValue("remoteOn", "off", false);
    EXPECT_FALSE(remote.SynchronizeDatabase());
    EXPECT_EQ(server().requestCount(), 0);

    DBPreferences().setValue("remoteOn", "on", false);
    ASSERT_TRUE(remote.SynchronizeDatabase());
    // One run per object at a time.
    EXPECT_FALSE(remote.SynchronizeDatabase());
    ASSERT_TRUE(waitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(finished.first().first().toBool()) << remote.lastReport().error.toStdString();
    EXPECT_TRUE(remote.synchronizeDoneAtLeastOnce());
    EXPECT_EQ(historyNamesReceived().size(), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);
    EXPECT_EQ(reload.count(), 1);
    EXPECT_EQ(scheduler.count(), 1);
    EXPECT_EQ(history.count(), 1);
    EXPECT_EQ(consistency.count(), 1);

    // The agent's task (or lutloaderctl) holds the busy lock: no second run meanwhile.
    {
        KaldoSharedMemory agent(SHARED_MEMORY_KEY_SYNCHRONIZATION, "agent", 1, true);
        const int requests = server().requestCount();
        ASSERT_TRUE(remote.SynchronizeDatabase());
        ASSERT_TRUE(waitFor([&] { return finished.count() == 2; }));
        EXPECT_FALSE(finished.last().first().toBool());
        EXPECT_EQ(server().requestCount(), requests);
    }
}

TEST_F(SyncRemote, ConnectionTestAndTheRemoteManagementSwitch)
{
    BaseRemoteSettings remote;
    QSignalSpy message(&remote, &BaseRemoteSettings::errorMsg);
    QSignalSpy finished(&remote, &BaseRemoteSettings::synchronizeFinished);
    remote.slotSynchConnectToServer();
    ASSERT_TRUE(waitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(message.last().first().toString(), BaseSynchronizer::getErrorMsg(4));
    EXPECT_EQ(server().requestCount(), 1);
    EXPECT_TRUE(server().received().isEmpty());

    server().setFault("version", {"close", 0, -1});
    remote.slotSynchConnectToServer();
    ASSERT_TRUE(waitFor([&] { return finished.count() == 2; }));
    EXPECT_FALSE(finished.last().first().toBool());
    EXPECT_TRUE(message.last().first().toString().startsWith(BaseSynchronizer::getErrorMsg(9)));

    // Server-assigned tasks follow the switch; the user's own tasks are left alone.
    exec("INSERT INTO UserScheduling (servertask_id, tasktype_id, Disabled) VALUES (0, 'cal', 'false')");
    exec("INSERT INTO UserScheduling (servertask_id, tasktype_id, Disabled) VALUES (7, 'con', 'false')");
    QSignalSpy enable(&remote, &BaseRemoteSettings::setEnableRemoteItems);
    remote.slotChangeRemoteManagement(false);
    EXPECT_EQ(
        one("SELECT group_concat(servertask_id || ':' || Disabled) FROM UserScheduling ORDER BY taskid"),
        "0:false,7:true");
    remote.slotChangeRemoteManagement(true);
    EXPECT_EQ(one("SELECT Disabled FROM UserScheduling WHERE servertask_id = 7"), "false");
    ASSERT_EQ(enable.count(), 2);
    EXPECT_FALSE(enable.first().first().toBool());
    EXPECT_TRUE(enable.last().first().toBool());
}

// The agent's runner on a hand-moved clock: the task synchronises when its interval has passed,
// not before; an interval the server changes holds from the next run on; a reader of the data
// pool hears the server's values without a restart.
TEST_F(SyncRemote, TheRunningAgentSynchronisesOnItsIntervalAndThePoolHearsTheServer)
{
    server().setReply(
        "PREFERENCES",
        {{"data", QJsonArray{QJsonObject{{"name", "MinAmbientLux"}, {"value", "30"}},
                             QJsonObject{{"name", "DataBaseSynchronizationInterval"}, {"value", "2"}}}}});
    RunnerHarness harness;
    // The harness may pick its own data folder; the agent's database is the fixture's.
    DB::free();
    DB::setPath(DataDirectory::path());
    DBPreferences preferences;
    preferences.setValue("DataBaseSynchronizationInterval", "5", false);
    preferences.setValue("DataBaseSynchronizationInterval_LastTime", QString::number(RunnerHarness::start),
                         false);
    AppPreferences::initDatabase();
    QMap<QString, QString> heard;
    QObject::connect(AppPreferences::dataPool(), &BaseDataPool::checkout,
                     [&heard](const QString& name, const QString& value) { heard.insert(name, value); });
    addHistory(addDisplay("SN-AGENT", true), 2);

    Task* const task = harness.add(
        std::make_unique<SynchronizeDatabaseTask>("Database synchronization", 120, 0, harness.sharedClock()));
    QMutex iconsMutex;
    QStringList icons;
    QObject::connect(
        static_cast<SynchronizeDatabaseTask*>(task), &SynchronizeDatabaseTask::signalTrayIconLoad, task,
        [&](const QString& icon) {
            QMutexLocker lock(&iconsMutex);
            icons << icon;
        },
        Qt::DirectConnection);
    const LogCapture log;
    harness.startRunner();
    // Runs every 120 s; at 240 s the last synchronisation is not 300 s old yet.
    harness.clock().setSeconds(RunnerHarness::start + 240);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(server().requestCount(), 0);
    EXPECT_FALSE(log.contains("RefreshFullInfo"));

    harness.clock().setSeconds(RunnerHarness::start + 360);
    ASSERT_TRUE(waitFor([&] { return heard.value("MinAmbientLux") == "30"; }));
    // The pool hears the server before the run ends, and a run's end is its last run: the
    // clock moves on only after it.
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(heard.value("AmbientSource"), "remote");
    // The tray showed the busy icon for the run, and the QA plan was rebuilt after it.
    {
        QMutexLocker lock(&iconsMutex);
        EXPECT_EQ(icons, QStringList({"orvantaSynch.ico", "orvanta.ico"}));
    }
    EXPECT_TRUE(log.contains("RefreshFullInfo"));
    EXPECT_EQ(historyNamesReceived().size(), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);
    EXPECT_EQ(preferences.getValue("DataBaseSynchronizationInterval_LastTime"),
              QString::number(RunnerHarness::start + 360));
    EXPECT_FALSE(preferences.getValueIsUpdate("DataBaseSynchronizationInterval_LastTime"));

    // The server shortened the interval to two minutes: the running task follows it. Not due
    // again within it; due once it has passed.
    EXPECT_EQ(preferences.getValue("DataBaseSynchronizationInterval"), "2");
    const int requests = server().requestCount();
    harness.clock().setSeconds(RunnerHarness::start + 420);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(server().requestCount(), requests);
    addHistory(addDisplay("SN-AGENT-2", true), 1);
    harness.clock().setSeconds(RunnerHarness::start + 480);
    ASSERT_TRUE(waitFor([&] { return historyNamesReceived().size() == 3; }));
    ASSERT_TRUE(harness.sync());

    // Remote management switched off: the task, due again, sends nothing at all.
    preferences.setValue("remoteOn", "off", false);
    addHistory(addDisplay("SN-AGENT-3", true), 1);
    const int before = server().requestCount();
    harness.clock().setSeconds(RunnerHarness::start + 720);
    ASSERT_TRUE(harness.sync());
    EXPECT_EQ(server().requestCount(), before);

    harness.runner().safeTerminate(10000);
    AppPreferences::freeDatabase();
}
