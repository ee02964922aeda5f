#include "app/AppPreferences.h"
#include "db/DBDisplays.h"
#include "db/DBDisplaysAmbient.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayFactory.h"
#include "lut/DisplayList.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "tasks/AmbientLightTask.h"
#include "tasks/AutoWhiteLevelStabTask.h"
#include "tasks/ManualClock.h"
#include "tasks/TaskFactory.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/sensors/SensorWorkstation.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kNow = 1800000000;

class AmbientTasksTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SensorWorkstation::install());
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
        for (const int id : {dp1, dp2}) {
            table.SetIsAmbientSensorSupport(id, true);
            table.setDisplayInfo(id, QStringLiteral("AmbientSensor"), QStringLiteral("true"));
            ASSERT_TRUE(DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false));
        }
    }
    void TearDown() override
    {
        for (const int id : {dp1, dp2}) {
            DisplayFactory::releaseCachedDisplay(id);
            DBDisplaysAmbient().RemoveAmbientValues(id, kNow * 2);
        }
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
    LogCapture log;
    task->start();
    // 5 lux against 10 to 50: blocked, stored as outside, and back in 5 s for that display only.
    EXPECT_TRUE(DisplayList::instance().isDisplayBlockedByAmbient(dp1));
    EXPECT_FALSE(DisplayList::instance().isDisplayBlockedByAmbient(dp2));
    ASSERT_EQ(history(dp1).size(), 1);
    EXPECT_NEAR(history(dp1).first().value, 5.0, 1e-3);
    EXPECT_FALSE(history(dp1).first().withinLimits);
    EXPECT_TRUE(history(dp2).isEmpty()); // no sensor in DP-2
    EXPECT_EQ(task->outsideLimits(), QSet<int>{dp1});
    EXPECT_EQ(task->timeout(), 5u);
    EXPECT_EQ(DBDisplays().getDisplayInfo(dp1, QStringLiteral("LastAmbientCheck")), QString::number(kNow));

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
    EXPECT_TRUE(log.contains(QStringLiteral("blocked by ambient light")));

    // A stop while outside the limits ends the loop and leaves the normal period.
    Platform::workstation()->setAmbientLux(QStringLiteral("DP-1"), 1);
    task->start();
    EXPECT_EQ(task->timeout(), 5u);
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

TEST_F(AmbientTasksTest, WhiteLevelStabilisationNeedsAPlacedBuiltInSensor)
{
    DBDisplays table;
    table.setDisplayInfo(dp1, QStringLiteral("InternalSensor"), QStringLiteral("true"));
    table.setDisplayInfo(dp2, QStringLiteral("InternalSensor"), QStringLiteral("true"));
    EXPECT_TRUE(AutoWhiteLevelStabTask::canRunInBackground(dp1));
    EXPECT_FALSE(AutoWhiteLevelStabTask::canRunInBackground(dp2));
    table.setDisplayInfo(dp1, QStringLiteral("InternalSensor"), QStringLiteral("True"));
    EXPECT_FALSE(AutoWhiteLevelStabTask::canRunInBackground(dp1));

    // Without a tray nobody says a LUT is loaded: nothing starts and the task ends.
    std::unique_ptr<Task> task =
        TaskFactory::create(TaskFactory::AutoWhiteLevelStab, "AutoWhiteLevelStab", 300, 30, clock);
    ASSERT_TRUE(task);
    LogCapture log;
    task->terminate();
    task->run();
    EXPECT_TRUE(log.contains(QStringLiteral("AutoWhiteLevelStabTask end()")));
}
