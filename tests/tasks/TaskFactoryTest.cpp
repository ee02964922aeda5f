#include "tasks/TaskFactory.h"

#include "tasks/EnergyModeNotificationWindowInterface.h"
#include "tasks/TaskNotificationWindowInterface.h"
#include "tasks/UpdateLUTsAfterUnlockTask.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class FakeNotificationWindow : public TaskNotificationWindowInterface
{
public:
    void showQANotification(std::vector<int> groupIds) override
    {
        eventLog().add(QString("window:qa:%1").arg(groupIds.size()));
    }
    void showUserNotification(int taskId, bool) override
    {
        eventLog().add(QString("window:user:%1").arg(taskId));
    }
    void slotMessageFinished() override { eventLog().add("window:messageFinished"); }
    void slotStopNotificationWithoutRemind() override {}
    void sendMessage(const QString& text) { emit signalShowMessage(text); }
    void sendActionsEnabled(bool enable) { emit signalActionsEnabled(enable); }
};

class FakeEnergyWindow : public EnergyModeNotificationWindowInterface
{
public:
    void verifyAndShow() override {}
};

struct FactoryTest : ::testing::Test
{
    FactoryTest() { eventLog().clear(); }
    ~FactoryTest() override
    {
        TaskFactory::attachTrayIconInstance(nullptr);
        TaskFactory::attachNotificationWindowInst(nullptr);
        TaskFactory::attachEnergyNotificationWindowInst(nullptr);
    }
    void serveEvents()
    {
        waitFor([] { return true; });
        QCoreApplication::processEvents();
    }
};

TEST_F(FactoryTest, OnlyTheTypesOfThisBuildGiveATask)
{
    LogCapture log;
    EXPECT_EQ(TaskFactory::create(0, "none", 0, 0), nullptr);
    EXPECT_EQ(TaskFactory::create(18, "beyond", 0, 0), nullptr);
    EXPECT_EQ(TaskFactory::create(9, "gap", 0, 0), nullptr);
    EXPECT_EQ(TaskFactory::create(-3, "negative", 0, 0), nullptr);
    for (const int type :
         {TaskFactory::UpdateAmbient, TaskFactory::AmbientLight, TaskFactory::AutoWhiteLevelStab})
        EXPECT_NE(TaskFactory::create(type, "room", 600, 0), nullptr);
    EXPECT_FALSE(log.contains("is not available in this build"));
    EXPECT_TRUE(log.contains("no task of type 18 for beyond"));

    const std::unique_ptr<Task> task = TaskFactory::create(17, "reload", 0, 10);
    ASSERT_NE(task, nullptr);
    EXPECT_NE(qobject_cast<UpdateLUTsAfterUnlockTask*>(task.get()), nullptr);
    EXPECT_TRUE(task->isDisposable());
    EXPECT_FALSE(task->canWorkInSleep());
    EXPECT_EQ(task->name(), "reload");
    EXPECT_TRUE(log.contains("create task 17 reload"));
}

TEST_F(FactoryTest, TaskSignalsReachTheAttachedTrayAndWindowQueued)
{
    FakeTray tray(true);
    FakeNotificationWindow window;
    TaskFactory::attachTrayIconInstance(&tray);
    TaskFactory::attachNotificationWindowInst(&window);
    const std::unique_ptr<Task> task = TaskFactory::create(17, "reload", 0, 10);

    emit task->showMessage("hello");
    emit task->disableContextMenu();
    emit task->refreshContextMenu();
    emit task->notifyAboutQATasks({4, 5});
    emit task->notifyAboutUserTasks(7, false);
    emit task->signalInfo(StepsInfo{{"step", "warming"}});
    EXPECT_TRUE(eventLog().entries().isEmpty()); // queued: nothing yet
    serveEvents();
    EXPECT_EQ(eventLog().entries(),
              (QStringList{"tray:message:hello", "tray:disableContextMenu", "tray:refreshDisplayInfo:0",
                           "window:qa:2", "window:user:7", "tray:info:warming"}));
}

TEST_F(FactoryTest, NotificationWindowTalksToTheTrayOnceHoweverOftenAttached)
{
    FakeTray tray(true);
    FakeNotificationWindow window;
    TaskFactory::attachNotificationWindowInst(&window);
    TaskFactory::attachTrayIconInstance(&tray);
    TaskFactory::attachNotificationWindowInst(&window);

    window.sendMessage("due");
    window.sendActionsEnabled(false);
    emit tray.signalMessageFinished();
    serveEvents();
    EXPECT_EQ(eventLog().entries(),
              (QStringList{"tray:enableActions:0", "tray:message:due", "window:messageFinished"}));
}

TEST_F(FactoryTest, TheEnergyWindowsRejectionEndsNoOtherTask)
{
    FakeEnergyWindow energy;
    TaskFactory::attachEnergyNotificationWindowInst(&energy);
    const std::unique_ptr<Task> task = TaskFactory::create(17, "reload", 0, 10);
    bool finished = false;
    QObject::connect(task.get(), &Task::finished, [&] { finished = true; });
    emit energy.rejected();
    serveEvents();
    EXPECT_FALSE(finished);
}

TEST_F(FactoryTest, ADestroyedTrayIsNoLongerWired)
{
    auto tray = std::make_unique<FakeTray>(true);
    TaskFactory::attachTrayIconInstance(tray.get());
    tray.reset();
    EXPECT_EQ(TaskFactory::trayIconInstance(), nullptr);
    const std::unique_ptr<Task> task = TaskFactory::create(17, "reload", 0, 10);
    emit task->showMessage("after the tray");
    serveEvents();
    EXPECT_TRUE(eventLog().entries().isEmpty());
}

} // namespace
