// The energy-save countdown, the video-adapter and failed-QA messages, and the task
// notification's answers, driven through their buttons and slots.
#include "app/AppPreferences.h"
#include "app/tray/EnergyModeNotificationWindow.h"
#include "app/tray/TaskNotificationWindow.h"
#include "app/tray/VideoAdapterChangeInfoWindow.h"
#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "tests/support/TestPaths.h"

#include <QComboBox>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class NotificationWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DB::free();
        DB::setPath(TestPaths::freshFolder("notification-windows"));
        ASSERT_TRUE(DB::get()->IsOpened());
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
    }
    void TearDown() override { DB::free(); }
};

TEST_F(NotificationWindowsTest, EnergyCountdownResetsOnEveryAnswerAndSilentModeAcceptsAtOnce)
{
    EnergyModeNotificationWindow window;
    QSignalSpy accepted(&window, &QDialog::accepted);
    QSignalSpy rejected(&window, &QDialog::rejected);
    EXPECT_EQ(window.countdownText(), "30");
    const QList<int> delays{900, 1800, 3600, 7200, 21600};
    for (int i = 0; i < window.remindChoice()->count(); ++i)
        EXPECT_EQ(window.remindChoice()->itemData(i).toInt(), delays.at(i));

    window.verifyAndShow();
    window.remindChoice()->setCurrentIndex(2);
    window.reject();
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(window.remindSeconds(), 3600);
    EXPECT_EQ(window.countdownText(), "30");

    // Silent mode answers at once, without a countdown.
    window.setSilent(true);
    window.verifyAndShow();
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.countdownText(), "30");
}

TEST_F(NotificationWindowsTest, FailedQAMessageStoresTheNextReminderWhenClosed)
{
    VideoAdapterChangeInfoWindow window(nullptr, [] { return qint64(1'700'000'000); });
    QSignalSpy finished(&window, &VideoAdapterChangeInfoWindow::signalDialogFinished);

    window.slotDisplayChangeAdapterDlg({"Left", "Right"});
    EXPECT_TRUE(window.messageText().contains("different video card"));
    EXPECT_TRUE(window.messageText().contains("Left<br/>Right"));
    window.accept();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(AppPreferences::get("NextQAFailedNotification").isEmpty());

    window.slotFailedQADisplaysDlg({"MD21"});
    EXPECT_EQ(window.messageText(),
              "The QA-test(s) failed for the following display(s):<br/><br/><b>MD21</b><br/>"
              "The display(s) cannot be used for diagnostics.");
    window.remindChoice()->setCurrentIndex(1);
    window.reject();
    EXPECT_EQ(finished.count(), 2);
    EXPECT_EQ(AppPreferences::get("NextQAFailedNotification"), "1700001800");
}

TEST_F(NotificationWindowsTest, TaskNotificationStartsOrPostponesAndAlwaysFinishes)
{
    TaskNotificationWindow window;
    QSignalSpy started(&window, &TaskNotificationWindow::startTasks);
    QSignalSpy finished(&window, &TaskNotificationWindow::finished);
    QSignalSpy rejected(&window, &TaskNotificationWindow::rejected);
    QSignalSpy hidden(&window, &TaskNotificationWindow::hidden);

    window.showQANotification({3, 7});
    ASSERT_EQ(window.dialogs().size(), 1u);
    window.perform();
    ASSERT_EQ(started.count(), 1);
    const QStringList arguments = started.at(0).at(0).toStringList();
    EXPECT_TRUE(arguments.contains("runqa"));
    EXPECT_TRUE(arguments.contains("3") && arguments.contains("7"));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(window.dialogs().empty());

    window.showUserNotification(12, false);
    EXPECT_EQ(AppPreferences::get("RunTaskMode"), "manual");
    window.remind(7200);
    EXPECT_EQ(window.lastDelay(), 7200);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(finished.count(), 2);
    EXPECT_EQ(started.count(), 1);

    // A session lock closes the question without postponing; nothing open, nothing to end.
    window.showUserNotification(13, false);
    window.slotStopNotificationWithoutRemind();
    EXPECT_EQ(finished.count(), 3);
    EXPECT_EQ(rejected.count(), 1);
    window.slotStopNotificationWithoutRemind();
    EXPECT_EQ(finished.count(), 3);
    EXPECT_EQ(hidden.count(), 3);

    window.setSilent(true);
    window.showUserNotification(14, false);
    EXPECT_EQ(finished.count(), 4);
    EXPECT_TRUE(window.dialogs().empty());
}

} // namespace
