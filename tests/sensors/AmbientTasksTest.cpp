#include "app/AppPreferences.h"
#include "app/OrvantaProcess.h"
#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/DBDisplaysAmbient.h"
#include "db/DBPreferences.h"
#include "db/KaldoDynamicData.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "platform/HidEnumerationScope.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimHidDevices.h"
#include "platform/sim/SimWorkstation.h"
#include "qa/RegulationSettings.h"
#include "tasks/AmbientLightTask.h"
#include "tasks/AutoWhiteLevelStabTask.h"
#include "tasks/ManualClock.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskScheduler.h"
#include "tasks/UpdateAmbientTask.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/sensors/SensorWorkstation.h"
#include "tests/support/TestPaths.h"
#include "tests/tasks/TaskTestSupport.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kNow = RunnerHarness::start;

class AmbientTasksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SensorWorkstation::install());
        // Every test starts from an empty database: display ids and QA plans of an earlier
        // run must not leak in.
        AppPreferences::freeDatabase();
        DB::setPath(TestPaths::freshFolder(QStringLiteral("ambient-db")));
        AppPreferences::initDatabase();
        AppPreferences::set(QStringLiteral("MinAmbientLux"), QStringLiteral("10"));
        AppPreferences::set(QStringLiteral("MaxAmbientLux"), QStringLiteral("50"));
        AmbientLightTask::resetCleanup();
        DBDisplays table;
        // The agent's display list registers each display under its database id.
        for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i)
            CurrentDisplays::SetDisplayId(
                i, table.addDisplay(CurrentDisplays::Display(i).serial(), 0, 0, 100, 100, true));
        dp1 = SensorWorkstation::displayId(QStringLiteral("DP-1"));
        dp2 = SensorWorkstation::displayId(QStringLiteral("DP-2"));
        ASSERT_GE(dp1, 0);
        // As the tray does at start: the display list detects each display and records
        // what it can do, the built-in sensor included.
        DisplayList::instance().clearDisplays();
        for (const int id : {dp1, dp2}) {
            table.setDisplayInfo(id, QStringLiteral("AmbientSensor"), QStringLiteral("true"));
            DisplayList::instance().addDisplay(id);
            ASSERT_TRUE(DisplayList::instance().GetDisplayInstanceById(id));
        }
    }
    void TearDown() override
    {
        TaskFactory::attachTrayIconInstance(nullptr);
        DisplayList::instance().clearDisplays();
        for (const int id : {dp1, dp2})
            DBDisplaysAmbient().RemoveAmbientValues(id, kNow * 2);
        SensorWorkstation::uninstall();
    }

    static QList<DBDisplaysAmbient::Reading> history(int id) { return DBDisplaysAmbient().readings(id); }

    int dp1 = -1;
    int dp2 = -1;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(kNow);
};

} // namespace

TEST_F(AmbientTasksTest, DarkRoomBlocksTheDisplayUntilTheLightIsBack)
{
    std::unique_ptr<Task> created =
        TaskFactory::create(TaskFactory::AmbientLight, "AmbientMeasure", 180, 30, clock);
    auto* task = qobject_cast<AmbientLightTask*>(created.get());
    ASSERT_TRUE(task);
    // Only the display with a built-in sensor can measure the room.
    EXPECT_TRUE(DBDisplays().IsAmbientSensorSupport(dp1));
    EXPECT_FALSE(DBDisplays().IsAmbientSensorSupport(dp2));
    SimWorkstation* workstation = Platform::workstation();
    workstation->apply({{"cmd", "screensaver"}, {"state", "on"}});
    const int awake = workstation->state().value("keepAwakeRequests").toInt();
    LogCapture log;
    task->start();
    // The user must see the display while the room is out of range.
    EXPECT_EQ(workstation->screenSaver(), SimWorkstation::ScreenSaverState::Off);
    EXPECT_GT(workstation->state().value("keepAwakeRequests").toInt(), awake);
    // 5 lux against 10 to 50: blocked, stored as outside, and back in 5 s for that display only.
    EXPECT_TRUE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    EXPECT_FALSE(DisplayList::instance().isDisplayBlockedByAmbient(dp2));
    ASSERT_EQ(history(dp1).size(), 1);
    EXPECT_NEAR(history(dp1).first().value, 5.0, 1e-3);
    EXPECT_FALSE(history(dp1).first().withinLimits);
    EXPECT_TRUE(history(dp2).isEmpty());
    EXPECT_EQ(task->outsideLimits(), QSet<int>{dp1});
    EXPECT_EQ(task->timeout(), 5u);
    EXPECT_EQ(DBDisplays().getDisplayInfo(dp1, QStringLiteral("LastAmbientCheck")), QString::number(kNow));

    // The display objects made anew (the menu rebuilt after an unlock or a display change)
    // do not make the room any lighter.
    DisplayList::instance().clearDisplays();
    EXPECT_TRUE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    DisplayList::instance().addDisplay(dp1);
    clock->advanceSeconds(5);
    task->start();
    EXPECT_TRUE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    Platform::workstation()->setAmbientLux(QStringLiteral("DP-1"), 20);
    clock->advanceSeconds(5);
    task->start();
    EXPECT_FALSE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    ASSERT_EQ(history(dp1).size(), 3);
    EXPECT_TRUE(history(dp1).last().withinLimits);
    EXPECT_TRUE(task->outsideLimits().isEmpty());
    EXPECT_EQ(task->timeout(), 180u);
    EXPECT_TRUE(log.contains(QStringLiteral("AmbientLightTask display %1 no longer blocked").arg(dp1)));

    // A stop while outside the limits ends the loop and leaves the normal period; the
    // user's own screen lock is never ended.
    workstation->apply({{"cmd", "screensaver"}, {"state", "locked"}});
    Platform::workstation()->setAmbientLux(QStringLiteral("DP-1"), 1);
    task->start();
    EXPECT_EQ(task->timeout(), 5u);
    EXPECT_EQ(workstation->screenSaver(), SimWorkstation::ScreenSaverState::Locked);
    task->terminate();
    task->run();
    EXPECT_EQ(task->timeout(), 180u);
}

TEST_F(AmbientTasksTest, LimitsAreInclusiveAndOldHistoryGoesAtMostHourly)
{
    AmbientLightTask task("AmbientMeasure", 180, 30, clock);
    EXPECT_TRUE(task.SaveResults(10, dp2));
    EXPECT_TRUE(task.SaveResults(50, dp2));
    EXPECT_FALSE(task.SaveResults(9.99, dp2));
    EXPECT_FALSE(task.SaveResults(50.01, dp2));
    ASSERT_EQ(history(dp2).size(), 4);

    const qint64 old = kNow - 21 * 86400;
    DBDisplaysAmbient table;
    table.AddAmbientValue(dp1, 30, static_cast<quint32>(old), true);
    clock->advanceSeconds(600);
    task.SaveResults(30, dp1);
    // The clean-up ran at the first reading (of the other display) less than an hour ago.
    EXPECT_EQ(history(dp1).size(), 2);
    clock->advanceSeconds(3001);
    task.SaveResults(30, dp1);
    ASSERT_EQ(history(dp1).size(), 2);
    EXPECT_GT(history(dp1).first().time, old);
}

namespace {

// A display that keeps the reading room's allowed range in its own settings. No display
// class of the simulated workstation has one, so this stands in for the display object
// while the workstation, the display list and the preferences stay real.
class RoomRangeDisplay : public BaseDisplay
{
public:
    RoomRangeDisplay(int id, double min, double max, bool refuses = false)
        : BaseDisplay(id), m_min(min), m_max(max), m_refuses(refuses)
    {
    }
    bool hasAmbientConditions() override { return true; }
    bool ambientConditions(double& min, double& max) override
    {
        min = m_min;
        max = m_max;
        return true;
    }
    bool setAmbientConditions(double min, double max) override
    {
        ++writes;
        if (m_refuses)
            return false;
        m_min = min;
        m_max = max;
        return true;
    }
    bool hasPresenceSensor() override { return true; }
    bool presenceSensor(bool& present) override
    {
        present = this->present;
        return true;
    }
    bool setPresenceSensor(bool enable) override
    {
        ++presenceWrites;
        if (m_refuses)
            return false;
        present = enable;
        return true;
    }
    std::pair<double, double> range() const { return {m_min, m_max}; }
    int writes = 0;
    bool present = true;
    int presenceWrites = 0;

private:
    double m_min;
    double m_max;
    bool m_refuses;
};

std::shared_ptr<RoomRangeDisplay> installRoomRange(int id, double min, double max, bool refuses = false)
{
    auto display = std::make_shared<RoomRangeDisplay>(id, min, max, refuses);
    std::shared_ptr<BaseDisplay> old;
    {
        DisplayList::Locked locked = DisplayList::instance().lockedDisplays();
        for (auto& [key, state] : locked) {
            if (key == id)
                old = std::exchange(state.display, display);
        }
    }
    return old ? display : nullptr;
}

QString preference(const char* name)
{
    return DBPreferences().getValue(QString::fromLatin1(name));
}

// The tray's answer to "is this display's LUT loaded", from the display list as the tray gives it.
class LutStateTray : public FakeTray
{
public:
    LutStateTray() : FakeTray(false) {}
    void slotIsLUTLoad(int displayId) override
    {
        emit signalIsLUTLoad(DisplayList::instance().isDisplayCalibrated(displayId));
    }
};

} // namespace

TEST_F(AmbientTasksTest, TheFirstDisplayHandsItsRangeToTheOthers)
{
    AppPreferences::set(QStringLiteral("AmbientSource"), QString());
    const auto first = installRoomRange(dp1, 12.3456789, 250.5);
    const auto second = installRoomRange(dp2, 5, 80);
    ASSERT_TRUE(first && second);
    UpdateAmbientTask task("UpdateAmbient", 600, 30, clock);
    task.start();
    EXPECT_EQ(preference("AmbientSource"), "display");
    EXPECT_DOUBLE_EQ(preference("MinAmbientLux").toDouble(), 12.3456789);
    EXPECT_DOUBLE_EQ(preference("MaxAmbientLux").toDouble(), 250.5);
    EXPECT_EQ(first->writes, 0);
    EXPECT_EQ(second->writes, 1);
    EXPECT_EQ(second->range(), first->range());

    // Once they agree, a later run changes nothing: no range goes back and forth.
    LogCapture log;
    task.start();
    EXPECT_EQ(first->writes, 0);
    EXPECT_EQ(second->writes, 1);
    EXPECT_FALSE(log.contains(QStringLiteral("save ambient changes")));

    // A range set by the server is pushed to every display; a refusal is logged and the
    // next display still gets it.
    AppPreferences::set(QStringLiteral("AmbientSource"), QStringLiteral("remote"));
    AppPreferences::set(QStringLiteral("MinAmbientLux"), QStringLiteral("15"));
    AppPreferences::set(QStringLiteral("MaxAmbientLux"), QStringLiteral("60"));
    const auto refusing = installRoomRange(dp1, 1, 2, true);
    task.start();
    EXPECT_TRUE(log.contains(QStringLiteral("fail to save ambient")));
    EXPECT_EQ(refusing->writes, 1);
    EXPECT_EQ(second->range(), std::make_pair(15.0, 60.0));
    EXPECT_EQ(preference("AmbientSource"), "remote");
    EXPECT_EQ(preference("MinAmbientLux"), "15");
}

TEST_F(AmbientTasksTest, PresenceSensorStateFollowsItsSource)
{
    // The range agrees with the preferences: only the presence sensors are at stake.
    const auto first = installRoomRange(dp1, 10, 50);
    const auto refusing = installRoomRange(dp2, 10, 50, true);
    ASSERT_TRUE(first && refusing);
    UpdateAmbientTask task("UpdateAmbient", 600, 30, clock);
    // Nothing stored yet: the display's own state is stored, with the display as its source.
    task.start();
    QString source;
    EXPECT_TRUE(DBDisplays().GetPresenceSensor(dp1, &source));
    EXPECT_EQ(source, "display");
    EXPECT_EQ(first->presenceWrites, 0);

    // A state set by the server goes to the displays, but not while the scheduler has
    // switched the sensor off for a due task; a refusal is logged.
    for (const int id : {dp1, dp2})
        DBDisplays().SetPresenceSensor(id, false, QStringLiteral("remote"));
    AppPreferences::set(QStringLiteral("tempPresence"), QStringLiteral("deactivated"));
    task.start();
    EXPECT_EQ(first->presenceWrites + refusing->presenceWrites, 0);
    AppPreferences::set(QStringLiteral("tempPresence"), QString());
    LogCapture log;
    task.start();
    EXPECT_FALSE(first->present);
    EXPECT_EQ(refusing->presenceWrites, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("fail to save presence sensor")));
    EXPECT_FALSE(DBDisplays().GetPresenceSensor(dp1, &source));
    EXPECT_EQ(source, "remote");
}

TEST_F(AmbientTasksTest, RunnerBlocksTheDisplayAndTheSchedulerHoldsItsQAUntilTheLightIsBack)
{
    // A daily one-step regulation never run: a group of each display is due at once.
    RegulationSettings::instance()->ClearRegulations();
    ASSERT_TRUE(RegulationSettings::instance()->ReadSettingsFromData(
        "<regulationsettings><regulation id=\"T\" name=\"Test\"><classifications><classification id=\"1\" "
        "name=\"One\"/></classifications><steps><step id=\"1\" name=\"Daily look\" type=\"visual\">"
        "<classification id=\"1\"><restrictions><restriction set=\"0\" frequency=\"0\"/></restrictions>"
        "</classification></step></steps><initialsteps/></regulation></regulationsettings>",
        false, false, "test"));
    DBPreferences preferences;
    preferences.setValue("UsedRegulation", "T", false);
    preferences.setValue("UsedClassification", "1", false);
    for (const int id : {dp1, dp2})
        DB::get()->addinfo("CurrentDisplays", {{"id", QString::number(id)}});

    RunnerHarness harness;
    harness.add(
        TaskFactory::create(TaskFactory::AmbientLight, "AmbientMeasure", 180, 30, harness.sharedClock()));
    harness.startRunner();
    TaskScheduler scheduler(harness.sharedClock());
    std::vector<std::vector<int>> offered;
    QObject::connect(&scheduler, &TaskScheduler::notifyAboutQATasks, &scheduler,
                     [&](const std::vector<int>& groups) { offered.push_back(groups); });
    const auto offeredDisplays = [&] {
        QList<int> displays;
        for (const int group : offered.back())
            displays << DB::get()
                            ->query("SELECT displayid FROM QASchedulingGroups WHERE groupid = ?", {group})
                            .value("displayid")
                            .toInt();
        return displays;
    };

    // Before the first measurement the room light of DP-1 is unknown: its QA waits.
    scheduler.checkQADatabase();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offeredDisplays(), QList<int>{dp2});
    scheduler.quit();

    harness.clock().advanceSeconds(30);
    ASSERT_TRUE(harness.sync());
    EXPECT_TRUE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    scheduler.checkQADatabase();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offeredDisplays(), QList<int>{dp2});
    scheduler.quit();

    Platform::workstation()->apply({{"cmd", "light"}, {"output", "DP-1"}, {"state", "20"}});
    harness.clock().advanceSeconds(AmbientLightTask::RemeasureSeconds);
    ASSERT_TRUE(harness.sync());
    EXPECT_FALSE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    scheduler.checkQADatabase();
    ASSERT_EQ(offered.size(), 3u);
    EXPECT_TRUE(offeredDisplays().contains(dp1));
}

TEST_F(AmbientTasksTest, WhiteLevelStabilisationNeedsAPlacedSensorAndEndsWhenTheMainApplicationCannotStart)
{
    DBDisplays table;
    table.setDisplayInfo(dp1, QStringLiteral("InternalSensor"), QStringLiteral("True"));
    table.setDisplayInfo(dp2, QStringLiteral("InternalSensor"), QStringLiteral("true"));
    EXPECT_FALSE(AutoWhiteLevelStabTask::canRunInBackground(dp1));
    EXPECT_FALSE(AutoWhiteLevelStabTask::canRunInBackground(dp2));
    table.setDisplayInfo(dp1, QStringLiteral("InternalSensor"), QStringLiteral("true"));
    EXPECT_TRUE(AutoWhiteLevelStabTask::canRunInBackground(dp1));

    // Without a tray nobody says a LUT is loaded: nothing starts and the task ends.
    LogCapture log;
    {
        std::unique_ptr<Task> task =
            TaskFactory::create(TaskFactory::AutoWhiteLevelStab, "AutoWhiteLevelStab", 300, 30, clock);
        ASSERT_TRUE(task);
        task->terminate();
        task->run();
        EXPECT_TRUE(log.contains(QStringLiteral("AutoWhiteLevelStabTask end()")));
    }

    table.setDisplayInfo(dp1, QStringLiteral("autowlstab"), QStringLiteral("true"));
    DisplayList::instance().SetDisplayCalibrated(dp1, true);
    OrvantaProcess::setProgramPath(QStringLiteral("/nonexistent/orvanta"));
    LutStateTray tray;
    TaskFactory::attachTrayIconInstance(&tray);
    RunnerHarness harness;
    harness.add(TaskFactory::create(TaskFactory::AutoWhiteLevelStab, "AutoWhiteLevelStab", 300, 30,
                                    harness.sharedClock()));
    harness.startRunner();
    harness.clock().advanceSeconds(30);
    // The barrier behind it runs only once the task has ended.
    ASSERT_TRUE(harness.sync());
    EXPECT_TRUE(log.contains(QStringLiteral("AutoWhiteLevelStabTask 3")));
    EXPECT_TRUE(log.contains(QStringLiteral("whitelevelstab")));
    EXPECT_TRUE(log.contains(QStringLiteral("OrvantaProcess can't start")));
}

TEST_F(AmbientTasksTest, ARefreshListsTheHidDevicesOnceForAllDisplays)
{
    const auto* hid = dynamic_cast<const SimHidDevices*>(&Platform::backend().hidDevices());
    ASSERT_TRUE(hid);
    const auto refresh = [&] {
        DisplayList::instance().clearDisplays();
        const int before = hid->enumerations();
        for (const int id : {dp1, dp2})
            DisplayList::instance().addDisplay(id);
        return hid->enumerations() - before;
    };
    // Probing a display class may list USB devices on its own thread; the sensor lookups
    // of the two displays are what the scope folds into one.
    const int separately = refresh();
    int once = 0;
    {
        const HidEnumerationScope scope;
        once = refresh();
    }
    EXPECT_EQ(separately - once, 1);
    EXPECT_EQ(DBDisplays().ISensorSupport(dp1), "true");
    EXPECT_EQ(DBDisplays().ISensorSupport(dp2), "false");
    ASSERT_TRUE(DisplayList::instance().GetDisplayInstanceById(dp1));
    EXPECT_TRUE(DisplayList::instance().GetDisplayInstanceById(dp1)->sensor());
}
