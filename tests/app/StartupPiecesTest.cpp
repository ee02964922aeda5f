#include "app/AgentOptions.h"
#include "app/FirstRunSettings.h"
#include "app/LUTLoaderApplication.h"
#include "app/RemoveListCreator.h"
#include "app/tray/EnergyModeNotificationWindow.h"
#include "app/tray/TaskNotificationWindow.h"
#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "platform/sim/SimWorkstation.h"
#include "tasks/TaskRunner.h"
#include "tests/support/TestPaths.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QString writeFile(const QString& folder, const QString& name, const QByteArray& text)
{
    const QString path = folder + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

TEST(RemoveListCreatorTest, SpecialListAddsAndRemovesOverTheDefaults)
{
    const QString folder = TestPaths::freshFolder("removelist");
    const QString defaults = writeFile(folder, "default.xml", R"(<configurations>
  <groups><group name="Proxy"/><group name="Server"/><group name="Legacy" os="linux"/></groups>
  <settings><setting name="UseProxy" value="false"/><setting name="Language" value="English"/>
            <setting name="WinOnly" value="1" os="win"/></settings>
</configurations>)");
    const QString special = writeFile(folder, "special.xml", R"(<configurations>
  <groups><addgroup name="Sensors"/><subgroup name="Server"/><addgroup name="Mac" os="mac"/></groups>
  <settings><addsetting name="Language" value="Deutsch"/><subsetting name="UseProxy"/>
            <addsetting name="Upper" value="x" os="WIN"/></settings>
</configurations>)");
    RemoveListCreator::CreateRemoveList(special, defaults);
    const RemoveListCreator& list = RemoveListCreator::instance();
    EXPECT_EQ(list.GetRemoveList(), (QStringList{"Proxy", "Sensors"}));
    const QMap<QString, QString> expected{{"Language", "Deutsch"}, {"WinOnly", "1"}};
    EXPECT_EQ(list.settings(), expected);
    int count = 0;
    for (auto it = list.BeginRemoveSettingsList(); it != list.EndRemoveSettingsList(); ++it)
        ++count;
    EXPECT_EQ(count, 2);

    // A broken or missing special list leaves the defaults alone; a broken default list gives nothing.
    RemoveListCreator::CreateRemoveList(writeFile(folder, "broken.xml", "<configurations><groups><addgroup"),
                                        defaults);
    EXPECT_EQ(list.GetRemoveList(), (QStringList{"Proxy", "Server"}));
    RemoveListCreator::CreateRemoveList(folder + "/missing.xml", folder + "/broken.xml");
    EXPECT_TRUE(list.GetRemoveList().isEmpty());
    EXPECT_TRUE(list.settings().isEmpty());
}

TEST(StartupValuesTest, ReminderPeriodAndArguments)
{
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds(""), 300);
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds("2"), 120);
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds("junk"), 300);
    EXPECT_EQ(LUTLoaderApplication::reminderPeriodSeconds("-5"), 300);

    const QStringList arguments{"lutloader", "-platform",     "offscreen", "ServerUrl=https://qa.example/x=1",
                                "--echo",    "UseProxy=true", "=nokey"};
    const QMap<QString, QString> presets = FirstRunSettings::parse(arguments);
    EXPECT_EQ(presets.value("ServerUrl"), "https://qa.example/x=1");
    EXPECT_EQ(presets.value("UseProxy"), "true");
    EXPECT_EQ(presets.size(), 2);

    const AgentOptions options = AgentOptions::fromArguments(arguments);
    EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_TRUE(options.echo);
    EXPECT_FALSE(AgentOptions::fromArguments({"lutloader", "stray"}).error.isEmpty());
}

TEST(StartupValuesTest, HelpVersionAndUnknownOptions)
{
    EXPECT_TRUE(AgentOptions::fromArguments({"lutloader", "--help"}).help);
    EXPECT_TRUE(AgentOptions::fromArguments({"lutloader", "-h"}).help);
    EXPECT_TRUE(AgentOptions::fromArguments({"lutloader", "--version"}).version);
    for (const char* unknown : {"--bogus", "-x", "--run-second", "--echo=1"})
        EXPECT_FALSE(AgentOptions::fromArguments({"lutloader", unknown}).error.isEmpty()) << unknown;
    // The toolkit's own options pass, with their values.
    const AgentOptions toolkit = AgentOptions::fromArguments(
        {"lutloader", "-platform", "offscreen", "--style=fusion", "-reverse", "-qwindowtitle", "x"});
    EXPECT_TRUE(toolkit.error.isEmpty()) << toolkit.error.toStdString();
    EXPECT_FALSE(AgentOptions::fromArguments({"lutloader", "-style"}).error.isEmpty());

    const AgentOptions fast =
        AgentOptions::fromArguments({"lutloader", "--clock-rate", "7200", "--clock-start", "1796025600"});
    EXPECT_TRUE(fast.error.isEmpty()) << fast.error.toStdString();
    EXPECT_EQ(fast.clockRate, 7200);
    EXPECT_EQ(fast.clockStart, 1796025600);
    // A clock that stands still or runs backwards would stop every task.
    for (const char* rate : {"0", "0.5", "-3", "nan", "fast"})
        EXPECT_FALSE(AgentOptions::fromArguments({"lutloader", "--clock-rate", rate}).error.isEmpty())
            << rate;
    EXPECT_FALSE(AgentOptions::fromArguments({"lutloader", "--clock-start"}).error.isEmpty());
}

// A session lock answers the questions nobody can see: the energy countdown is
// rejected (the displays stay on) and the task notification closes without a postponement.
TEST(SessionLockTest, LockClosesTheEnergyCountdownAndTheTaskNotification)
{
    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    QString error;
    ASSERT_TRUE(Platform::select(options, &error)) << error.toStdString();
    DB::free();
    DB::setPath(TestPaths::freshFolder("session-lock"));
    ASSERT_TRUE(Schema::checkAll(*DB::get()));
    ASSERT_TRUE(
        DB::get()->exec("INSERT INTO UserScheduling(taskid, displayid, tasktype_id) VALUES(5, 1, 'cal')"));
    {
        TaskRunner runner;
        EnergyModeNotificationWindow energy;
        TaskNotificationWindow notification;
        LUTLoaderApplication::connectThreadsAndDialogs(&runner, nullptr, &notification, &energy);
        QSignalSpy energyAccepted(&energy, &QDialog::accepted);
        QSignalSpy energyRejected(&energy, &QDialog::rejected);
        QSignalSpy notificationFinished(&notification, &TaskNotificationWindow::finished);
        QSignalSpy notificationRejected(&notification, &TaskNotificationWindow::rejected);

        energy.verifyAndShow();
        notification.showUserNotification(5, false);
        ASSERT_FALSE(notification.dialogs().empty());
        ASSERT_TRUE(Platform::workstation()->apply({{"cmd", "lock"}}).value("ok").toBool());
        ASSERT_TRUE(energyRejected.wait(10000));
        QCoreApplication::processEvents();

        EXPECT_TRUE(TaskRunner::IsLocked());
        EXPECT_EQ(energyAccepted.count(), 0);
        EXPECT_FALSE(energy.isVisible());
        EXPECT_EQ(energy.countdownText(), "30");
        EXPECT_TRUE(notification.dialogs().empty());
        EXPECT_EQ(notificationFinished.count(), 1);
        EXPECT_EQ(notificationRejected.count(), 0);

        // A second lock with nothing open answers nothing.
        ASSERT_TRUE(Platform::workstation()->apply({{"cmd", "unlock"}}).value("ok").toBool());
        ASSERT_TRUE(Platform::workstation()->apply({{"cmd", "lock"}}).value("ok").toBool());
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(energyRejected.count(), 1);
        EXPECT_EQ(notificationFinished.count(), 1);
        runner.slotUnLockLUTLoader();
    }
    DB::free();
    Platform::reset();
}

} // namespace
