// The energy-save countdown, the video-adapter and failed-QA messages, and the task
// notification's answers, driven through their buttons and slots.
#include "app/AppPreferences.h"
#include "app/OrvantaProcess.h"
#include "app/tray/EnergyModeNotificationWindow.h"
#include "app/tray/TaskNotificationWindow.h"
#include "app/tray/VideoAdapterChangeInfoWindow.h"
#include "db/DB.h"
#include "db/KaldoDataIterator.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "tests/support/TestPaths.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

class NotificationWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformOptions options;
        options.platform = QStringLiteral("sim");
        QString error;
        ASSERT_TRUE(Platform::select(options, &error)) << error.toStdString();
        DB::free();
        DB::setPath(TestPaths::freshFolder("notification-windows"));
        ASSERT_TRUE(DB::get()->IsOpened());
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
    }
    void TearDown() override
    {
        DB::free();
        Platform::reset();
    }
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

// Due QA groups on two displays: a dialog on each, naming its own tests; "Remind Me In"
// moves every group on.
TEST_F(NotificationWindowsTest, QANotificationShowsTaskNamesPerDisplayAndPostponesThem)
{
    const auto db = DB::get();
    for (const auto& [group, display, name] : std::vector<std::tuple<int, int, QString>>{
             {3, 1, "Daily Visual Check"}, {7, 2, "Monthly Luminance"}, {9, 1, "Weekly Uniformity"}})
        ASSERT_TRUE(db->exec("INSERT INTO QASchedulingGroups(groupid, displayid, qatype, nextdate) "
                             "VALUES(?, ?, ?, '1000')",
                             {group, display, name}));
    TaskNotificationWindow window;
    window.setClock([] { return qint64(1'700'000'000); });
    QSignalSpy finished(&window, &TaskNotificationWindow::finished);
    QSignalSpy rejected(&window, &TaskNotificationWindow::rejected);

    window.showQANotification({3, 7, 9});
    ASSERT_EQ(window.dialogs().size(), 2u);
    EXPECT_EQ(window.dialogDisplays(), (std::vector<int>{1, 2}));
    const QStringList texts = window.dialogTexts();
    EXPECT_EQ(texts.at(0), "A test is due on this display now:<br/><br/>Daily Visual Check<br/><br/>"
                           "Weekly Uniformity");
    EXPECT_EQ(texts.at(1), "A test is due on this display now:<br/><br/>Monthly Luminance");
    EXPECT_EQ(window.pendingArguments(), (QStringList{"runqa", "3", "1", "7", "2", "9", "1"}));

    window.remind(3600);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(window.dialogs().empty());
    KaldoDataIterator rows = db->query("SELECT nextdate FROM QASchedulingGroups ORDER BY groupid");
    for (int i = 0; i < 3; ++i, ++rows)
        EXPECT_EQ(rows.value("nextdate"), "1700003600") << i;
    // A second answer to a closed notification does nothing.
    window.remind(900);
    EXPECT_EQ(finished.count(), 1);
}

// Accepting a user task starts the main application with the task's mode word and id;
// "Remind Me In" moves the task's next run; a session lock closes it without either.
TEST_F(NotificationWindowsTest, UserTaskStartsTheMainApplicationOrIsPostponed)
{
    const QString record = TestPaths::freshFolder("notification-standin") + "/starts.jsonl";
    qputenv("LUTLOADER_STANDIN_RECORD", record.toLocal8Bit());
    OrvantaProcess::setProgramPath(TestPaths::toolProgram("mainapp_standin"));
    const auto db = DB::get();
    ASSERT_TRUE(db->exec("INSERT INTO UserScheduling(taskid, displayid, tasktype_id, nextrun, lastrun) "
                         "VALUES(12, 1, 'con', 1000, 0)"));
    TaskNotificationWindow window;
    window.setClock([] { return qint64(1'700'000'000); });
    QSignalSpy finished(&window, &TaskNotificationWindow::finished);
    QSignalSpy rejected(&window, &TaskNotificationWindow::rejected);

    window.showUserNotification(12, false);
    EXPECT_EQ(AppPreferences::get("RunTaskMode"), "manual");
    ASSERT_EQ(window.dialogs().size(), 1u);
    EXPECT_TRUE(window.dialogTexts().at(0).endsWith("<br/><br/>Calibration Conformance"));
    window.perform();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(rejected.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 60000));
    QFile starts(record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts.size() > 0; }, 10000));
    ASSERT_TRUE(starts.open(QIODevice::ReadOnly));
    const QJsonObject start = QJsonDocument::fromJson(starts.readLine()).object();
    EXPECT_EQ(start.value("arguments").toArray().toVariantList(), (QVariantList{"runusr", "con", "12"}));
    EXPECT_NE(db->query("SELECT lastrun FROM UserScheduling WHERE taskid = 12").value("lastrun"), "0");

    window.showUserNotification(12, false);
    window.remind(7200);
    EXPECT_EQ(window.lastDelay(), 7200);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(finished.count(), 2);
    EXPECT_EQ(db->query("SELECT nextrun FROM UserScheduling WHERE taskid = 12").value("nextrun"),
              "1700007200");

    window.showUserNotification(12, false);
    window.slotStopNotificationWithoutRemind();
    EXPECT_EQ(finished.count(), 3);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(db->query("SELECT nextrun FROM UserScheduling WHERE taskid = 12").value("nextrun"),
              "1700007200");

    // An unknown task and silent mode show nothing and still finish.
    window.showUserNotification(99, false);
    window.setSilent(true);
    window.showUserNotification(12, false);
    EXPECT_EQ(finished.count(), 5);
    EXPECT_TRUE(window.dialogs().empty());
    qunsetenv("LUTLOADER_STANDIN_RECORD");
}

} // namespace
