// The tray on the simulated workstation: loads through its queue under the busy lock
// "lut", the balloons that follow them, the main application's pipe messages and the
// menu rebuilt when the displays change.
#include "app/tray/LUTLoaderTray.h"

#include "app/AppInitialization.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBDisplays.h"
#include "db/KaldoRecursiveReadWriteLocker.h"
#include "lut/LUTLoadingThread.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "tasks/LUTReloadTask.h"
#include "tests/lut/load/LutLoadFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonObject>
#include <QMenu>
#include <QSignalSpy>
#include <QStyleHints>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>

namespace {

struct Sent
{
    QString message;
    QString value;
};

// Serves events until `done` holds; the bound only keeps a broken build from hanging.
bool serveUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer bound(120000);
    while (!done() && !bound.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

class LUTLoaderTrayTest : public LutLoadFixture
{
protected:
    void SetUp() override
    {
        LutLoadFixture::SetUp();
        if (HasFatalFailure())
            return;
        storeLut(QStringLiteral("DP-1"), curve(256, 65280));
        storeLut(QStringLiteral("HDMI-1"), curve(256, 64000, 1.8));
        m_tray = std::make_unique<LUTLoaderTray>([this](const QString& message, const QString& value) {
            m_sent.push_back({message, value});
        });
        QObject::connect(m_tray.get(), &LUTLoaderTray::signalLUTApplyFinished, m_tray.get(),
                         [this] { ++m_finished; });
        QObject::connect(m_tray.get(), &LUTLoaderTray::signalBalloon, m_tray.get(),
                         [this](const QString&, const QString& text) { m_balloons << text; });
    }

    void TearDown() override
    {
        if (m_tray)
            serveUntil([this] { return !m_tray->isLoading() && m_tray->pendingLoads() == 0; });
        m_tray.reset();
        LutLoadFixture::TearDown();
    }

    QStringList sentValues(const QString& message) const
    {
        QStringList values;
        for (const Sent& sent : m_sent) {
            if (sent.message == message)
                values << sent.value;
        }
        return values;
    }

    QAction* action(const QString& output) const { return m_tray->displayAction(idOf(output)); }

    static bool lutLockTaken()
    {
        KaldoSharedMemory probe(SHARED_MEMORY_KEY_LUT, "LUTLoaderTrayTest", 1);
        return probe.IsLocked();
    }

    std::unique_ptr<LUTLoaderTray> m_tray;
    std::vector<Sent> m_sent;
    QStringList m_balloons;
    int m_finished = 0;
};

TEST_F(LUTLoaderTrayTest, MenuHasAnEntryPerDisplayEnabledOnlyWithAStoredLut)
{
    std::vector<QAction*> actions;
    m_tray->GetDisplayActionsList(actions);
    EXPECT_EQ(actions.size(), 6u);
    EXPECT_TRUE(action("DP-1")->isEnabled());
    EXPECT_TRUE(action("HDMI-1")->isEnabled());
    for (const char* output : {"DP-2", "DP-3", "DP-8", "XEN-1"}) {
        EXPECT_FALSE(action(output)->isEnabled()) << output;
        EXPECT_FALSE(action(output)->isChecked()) << output;
    }
    for (QAction* entry : actions)
        EXPECT_TRUE(m_tray->contextMenu()->actions().contains(entry));
    const QStringList texts{m_tray->applyAllAction()->text(), m_tray->cancelAllAction()->text(),
                            m_tray->refreshAction()->text(), m_tray->closeAction()->text()};
    EXPECT_EQ(texts, (QStringList{"Apply calibration for all displays", "Cancel calibration for all displays",
                                  "Refresh the display’s information", "Close"}));
}

TEST_F(LUTLoaderTrayTest, ApplyAllLoadsEachDisplayOnceUnderTheLutLock)
{
    // Sampled while loads run: the lock is held whenever the tray has a load going.
    int loadingSamples = 0;
    int samplesWithLock = 0;
    m_tray->applyAllAction()->trigger();
    ASSERT_TRUE(serveUntil([&] {
        if (m_tray->isLoading()) {
            ++loadingSamples;
            samplesWithLock += lutLockTaken() ? 1 : 0;
        }
        return m_finished == 2 && !m_tray->isLoading();
    }));

    EXPECT_GT(loadingSamples, 0);
    EXPECT_EQ(samplesWithLock, loadingSamples);
    EXPECT_FALSE(lutLockTaken());
    EXPECT_EQ(m_tray->loadingCount(), 0);
    QStringList ended = sentValues("LutLoadEnd");
    ended.sort();
    QStringList expected{QString::number(idOf("DP-1")), QString::number(idOf("HDMI-1"))};
    expected.sort();
    EXPECT_EQ(ended, expected);
    for (const char* output : {"DP-1", "HDMI-1"}) {
        EXPECT_TRUE(action(output)->isChecked()) << output;
        EXPECT_EQ(DBDisplays().getDisplayInfo(idOf(output), "lutupload"), "true") << output;
    }
    EXPECT_EQ(cardTable("DP-1"), curve(256, 65280));

    // Cancelling goes the same road back and leaves the cards linear.
    m_tray->cancelAllAction()->trigger();
    ASSERT_TRUE(serveUntil([&] { return m_finished == 4 && !m_tray->isLoading(); }));
    EXPECT_FALSE(action("DP-1")->isChecked());
    EXPECT_EQ(DBDisplays().getDisplayInfo(idOf("DP-1"), "lutupload"), "false");
    EXPECT_EQ(cardTable("DP-1"), linear(256, 65280));
    EXPECT_EQ(sentValues("LutLoadEnd").size(), 4);
    EXPECT_FALSE(lutLockTaken());
}

TEST_F(LUTLoaderTrayTest, RequestsWithoutALutOrForAVanishedDisplayStillEndOnceAndFreeTheLock)
{
    // No stored LUT: answered at once, nothing sent to the main application.
    m_tray->loadLUT(idOf("DP-2"), true);
    EXPECT_EQ(m_finished, 1);
    EXPECT_TRUE(sentValues("LutLoadEnd").isEmpty());
    EXPECT_FALSE(lutLockTaken());

    // A display loaded before goes away while its entry is still in the menu (the refresh for
    // the unplug comes later): the load fails and the lock comes back, but the display's
    // stored wish to be loaded stays, so the reload after it comes back loads it.
    storeLut(QStringLiteral("DP-2"), curve(256, 65280));
    m_tray->refreshDisplayInfo(false);
    const int id = idOf("DP-2");
    DBDisplays().setDisplayInfo(id, "lutupload", "true", false);
    unplug(QStringLiteral("DP-2"));
    m_tray->loadLUT(id, true);
    ASSERT_TRUE(serveUntil([&] { return m_finished == 2 && !m_tray->isLoading(); }));
    EXPECT_FALSE(lutLockTaken());
    EXPECT_EQ(m_tray->loadingCount(), 0);
    EXPECT_EQ(DBDisplays().getDisplayInfo(id, "lutupload"), "true");
    plug(QStringLiteral("DP-2"));
    m_tray->slotReloadAllLUTs();
    ASSERT_TRUE(
        serveUntil([&] { return action("DP-2") && action("DP-2")->isChecked() && !m_tray->isLoading(); }));
    const int finishedBefore = m_finished;

    // The queue goes on with the next request after the failure.
    m_tray->loadLUT(idOf("DP-1"), true);
    ASSERT_TRUE(serveUntil([&] { return m_finished > finishedBefore && !m_tray->isLoading(); }));
    EXPECT_TRUE(action("DP-1")->isChecked());
}

// The load reads the display's table behind the statement lock, which this thread holds: it
// cannot go on, as with a display that stopped answering. The tray's end does not wait for it
// for ever; once the lock is free, the load left behind ends on its own.
TEST_F(LUTLoaderTrayTest, TheTraysEndLeavesALoadThatCannotGoOnBehind)
{
    KaldoRecursiveReadWriteLocker::instance().lockWrite();
    m_tray->loadLUT(idOf("DP-1"), true);
    const bool started = serveUntil([&] { return m_tray->isLoading(); });
    m_tray.reset();
    KaldoRecursiveReadWriteLocker::instance().unlockWrite();
    ASSERT_TRUE(started);
    LUTLoadingThread* const left = LUTLoaderTray::leftBehindLoad();
    ASSERT_TRUE(left);
    EXPECT_TRUE(left->wait(QDeadlineTimer(60000)));
}

TEST_F(LUTLoaderTrayTest, LoadWaitsWhileTheMainApplicationHoldsTheLutLock)
{
    KaldoSharedMemory mainApplication(SHARED_MEMORY_KEY_LUT, "MainApplication", 1);
    ASSERT_TRUE(mainApplication.Lock());
    m_tray->loadLUT(idOf("DP-1"), true);
    m_tray->loadLUT(idOf("DP-1"), true); // the same request twice is one load, answered twice
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_FALSE(m_tray->isLoading());
    EXPECT_EQ(m_tray->pendingLoads(), 1);
    EXPECT_EQ(m_finished, 0);

    ASSERT_TRUE(mainApplication.Unlock());
    ASSERT_TRUE(serveUntil([&] { return m_finished == 2 && !m_tray->isLoading(); }));
    EXPECT_TRUE(action("DP-1")->isChecked());
    EXPECT_EQ(sentValues("LutLoadEnd"), QStringList{QString::number(idOf("DP-1"))});
}

// The tray's wait for the lock serves events; what arrives there (the main application
// letting go, another request) must not start a second load beside the first.
TEST_F(LUTLoaderTrayTest, RequestsArrivingWhileTheTrayWaitsForTheLockAreEachLoadedOnce)
{
    KaldoSharedMemory mainApplication(SHARED_MEMORY_KEY_LUT, "MainApplication", 1);
    ASSERT_TRUE(mainApplication.Lock());
    QTimer::singleShot(0, m_tray.get(), [&] {
        mainApplication.Unlock();
        m_tray->loadLUT(idOf("HDMI-1"), true);
    });
    m_tray->loadLUT(idOf("DP-1"), true);
    ASSERT_TRUE(
        serveUntil([&] { return m_finished == 2 && !m_tray->isLoading() && m_tray->pendingLoads() == 0; }));

    EXPECT_EQ(m_tray->loadingCount(), 0);
    EXPECT_FALSE(lutLockTaken());
    EXPECT_TRUE(action("DP-1")->isChecked());
    EXPECT_TRUE(action("HDMI-1")->isChecked());
    QStringList ended = sentValues("LutLoadEnd");
    ended.sort();
    QStringList expected{QString::number(idOf("DP-1")), QString::number(idOf("HDMI-1"))};
    expected.sort();
    EXPECT_EQ(ended, expected);
    EXPECT_EQ(DBDisplays().getDisplayInfo(idOf("HDMI-1"), "lutupload"), "true");
}

TEST_F(LUTLoaderTrayTest, ProgressBalloonsShowEachPercentOnceThenTheEnd)
{
    m_tray->StartLUTUpload(4);
    for (int i = 0; i < 4; ++i)
        m_tray->LUTUploadProgress();
    m_tray->FinishLUTUpload();
    EXPECT_EQ(m_balloons, (QStringList{"Process: 0 %", "Process: 25 %", "Process: 50 %", "Process: 75 %",
                                       "Process: 100 %", "Process Finished"}));

    // Steps that do not move the percentage show nothing new; a failure ends the run.
    m_balloons.clear();
    m_tray->StartLUTUpload(300);
    for (int i = 0; i < 3; ++i)
        m_tray->LUTUploadProgress();
    m_tray->FailLUTUpload();
    EXPECT_EQ(m_balloons, (QStringList{"Process: 0 %", "Process: 1 %", "Process Failed"}));
}

TEST_F(LUTLoaderTrayTest, PipeCommandsInOrder)
{
    const int dp1 = idOf("DP-1");
    // "displayId": the main application loaded it; the entry is checked, no load starts.
    m_tray->slotReciveValue("displayId", QString::number(dp1), "kaldo_a");
    EXPECT_TRUE(action("DP-1")->isChecked());
    EXPECT_FALSE(m_tray->isLoading());
    EXPECT_EQ(DBDisplays().getDisplayInfo(dp1, "lutupload"), "true");

    // Names are compared exactly.
    m_tray->slotReciveValue("LUTDISABLE", "1", "kaldo_a");
    EXPECT_TRUE(m_tray->applyAllAction()->isEnabled());

    // "lutdisable": only the participant that disabled the agent re-enables it by leaving.
    m_tray->slotReciveValue("lutdisable", "1", "kaldo_a");
    EXPECT_FALSE(m_tray->applyAllAction()->isEnabled());
    EXPECT_FALSE(action("DP-1")->isEnabled());
    m_tray->slotReciveValue("removed", "kaldo_b", "hub");
    EXPECT_FALSE(m_tray->closeAction()->isEnabled());
    m_tray->slotReciveValue("removed", "kaldo_a", "hub");
    EXPECT_TRUE(m_tray->closeAction()->isEnabled());
    EXPECT_TRUE(action("DP-1")->isEnabled());
    EXPECT_FALSE(action("DP-2")->isEnabled());
    EXPECT_TRUE(m_tray->disablingParticipant().isEmpty());
    m_tray->slotReciveValue("lutdisable", "1", "kaldo_a");
    m_tray->slotReciveValue("lutdisable", "0", "kaldo_a");
    EXPECT_TRUE(m_tray->startAction()->isEnabled());

    // "lutchange": as a click on the entry; DP-1 is checked, so it is unloaded.
    m_tray->slotReciveValue("lutchange", QString::number(dp1), "kaldo_a");
    ASSERT_TRUE(serveUntil([&] { return m_finished == 1 && !m_tray->isLoading(); }));
    EXPECT_FALSE(action("DP-1")->isChecked());
    EXPECT_EQ(sentValues("LutLoadEnd"), QStringList{QString::number(dp1)});

    // "is_locked": answered with the runner's locked flag.
    m_tray->slotReciveValue("is_locked", QString(), "kaldo_a");
    EXPECT_EQ(sentValues("lock_status"), QStringList{"0"});

    m_tray->slotReciveValue("DisplayRefresh", QString(), "kaldo_a");
    m_tray->slotReciveValue("whatever", "1", "kaldo_a");
    EXPECT_EQ(m_sent.size(), 2u);
}

TEST_F(LUTLoaderTrayTest, ReloadAllRebuildsTheMenuAfterADisplayChange)
{
    int reloaded = 0;
    QObject::connect(m_tray.get(), &LUTLoaderTray::signalAllLUTsReloaded, m_tray.get(), [&] { ++reloaded; });
    const int hdmi = idOf("HDMI-1");
    unplug(QStringLiteral("HDMI-1"));
    m_tray->slotReloadAllLUTs();
    EXPECT_EQ(reloaded, 1);
    std::vector<QAction*> actions;
    m_tray->GetDisplayActionsList(actions);
    EXPECT_EQ(actions.size(), 5u);
    EXPECT_EQ(m_tray->displayAction(hdmi), nullptr);
    EXPECT_NE(action("DP-1"), nullptr);
}

TEST_F(LUTLoaderTrayTest, RefreshLeavesTheDisplaysAloneWhileTheMainApplicationCalibrates)
{
    const int hdmi = idOf("HDMI-1");
    unplug(QStringLiteral("HDMI-1"));
    KaldoSharedMemory calibration(SHARED_MEMORY_KEY_CALIBRATION, "LUTLoaderTrayTest", 1);
    ASSERT_TRUE(calibration.Lock());
    m_tray->setCalibrationWaitRetries(2);
    m_tray->refreshAction()->trigger();
    // Skipped, not forced: the old menu stays and a later try is planned.
    EXPECT_NE(m_tray->displayAction(hdmi), nullptr);
    EXPECT_TRUE(m_tray->refreshRetryPending());

    calibration.Unlock();
    m_tray->refreshAction()->trigger();
    EXPECT_EQ(m_tray->displayAction(hdmi), nullptr);
    EXPECT_FALSE(m_tray->refreshRetryPending());
    EXPECT_FALSE(calibration.IsLocked());
}

TEST_F(LUTLoaderTrayTest, ARefreshAskedForDuringARefreshFollowsItInsteadOfWaitingOnItsOwnLock)
{
    // Re-detection serves events, so the scheduler's next "displays changed" arrives inside
    // the refresh, which holds the calibration lock itself.
    const int hdmi = idOf("HDMI-1");
    m_tray->setCalibrationWaitRetries(2);
    QMetaObject::invokeMethod(
        m_tray.get(),
        [this] {
            unplug(QStringLiteral("HDMI-1"));
            m_tray->refreshDisplayInfo(false);
        },
        Qt::QueuedConnection);
    m_tray->refreshDisplayInfo(false);
    EXPECT_FALSE(m_tray->refreshRetryPending()) << "the inner request waited on the outer one's lock";
    ASSERT_TRUE(serveUntil([&] { return m_tray->displayAction(hdmi) == nullptr; }));
    EXPECT_FALSE(m_tray->refreshRetryPending());
    EXPECT_FALSE(KaldoSharedMemory(SHARED_MEMORY_KEY_CALIBRATION, "LUTLoaderTrayTest", 1).IsLocked());
}

TEST_F(LUTLoaderTrayTest, ClosingWritesTheLockFileInItsOwnFolder)
{
    const QString folder = AppInitialization::getResoursesPath();
    QDir(folder).removeRecursively();
    // Closing ends the application's event loop with 0.
    QTimer::singleShot(0, m_tray.get(), [this] { m_tray->closeConfirmed(); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    QFile lockFile(folder + "/lockfile.txt");
    ASSERT_TRUE(lockFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(lockFile.readAll(), "7200");
}

TEST_F(LUTLoaderTrayTest, DisplaysLoadedBeforeAreLoadedAgainOnReload)
{
    m_tray->applyAllAction()->trigger();
    ASSERT_TRUE(serveUntil([&] { return m_finished == 2 && !m_tray->isLoading(); }));
    m_sent.clear();

    m_tray->slotReloadAllLUTs();
    ASSERT_TRUE(serveUntil([&] { return m_finished == 4 && !m_tray->isLoading(); }));
    EXPECT_EQ(sentValues("LutLoadEnd").size(), 2);
    EXPECT_TRUE(action("DP-1")->isChecked());
    EXPECT_TRUE(action("HDMI-1")->isChecked());
    EXPECT_FALSE(lutLockTaken());
}

// A monitor with a LUT of its own goes the same road: its menu entry loads the stored table into
// the monitor, and the reload after an unlock loads what is stored by then.
TEST_F(LUTLoaderTrayTest, AnInternalLutLoadsIntoTheMonitorAndAgainAfterAnUnlock)
{
    const luts_t first = curve(16, 1000, 2.0);
    storeLut("DP-3", first, 1);
    // The menu learns of the stored table when it is rebuilt.
    m_tray->slotReloadAllLUTs();
    ASSERT_TRUE(
        serveUntil([&] { return action("DP-3") && action("DP-3")->isEnabled() && !m_tray->isLoading(); }));
    const int before = m_finished;
    action("DP-3")->trigger();
    ASSERT_TRUE(serveUntil([&] { return m_finished == before + 1 && !m_tray->isLoading(); }));
    EXPECT_EQ(monitorTable("DP-3"), first);
    EXPECT_TRUE(action("DP-3")->isChecked());
    EXPECT_EQ(sentValues("LutLoadEnd"), QStringList{QString::number(idOf("DP-3"))});
    EXPECT_EQ(DBDisplays().getDisplayInfo(idOf("DP-3"), "lutupload"), "true");
    // The output's card is not where an internal table goes.
    EXPECT_EQ(cardTable("DP-3"), linear(1024, 65535));

    const luts_t second = curve(16, 1023, 1.5);
    storeLut("DP-3", second, 1);
    m_tray->slotReloadAllLUTs();
    ASSERT_TRUE(serveUntil([&] { return m_finished == before + 2 && !m_tray->isLoading(); }));
    EXPECT_EQ(monitorTable("DP-3"), second);
    EXPECT_TRUE(action("DP-3")->isChecked());
    EXPECT_FALSE(lutLockTaken());
}

} // namespace

namespace {

// The periodic reload, driven as the task runner drives it: every loaded display is asked
// for by id, and the tray answers each request once.
class PeriodicReload
{
public:
    explicit PeriodicReload(LUTLoaderTray& tray) : m_task(QStringLiteral("LUTLoad"), 180, 0)
    {
        m_task.setTray(&tray);
        QObject::connect(&m_task, &LUTReloadTask::reloadLUT, &tray, &LUTLoaderTrayInterface::loadSingleLUT,
                         Qt::QueuedConnection);
        QObject::connect(&m_task, &Task::finished, &m_task, [this] { ++m_finished; });
    }
    // Starts one run; its requests are served by the event loop.
    void start() { m_task.run(); }
    int finished() const { return m_finished; }

private:
    LUTReloadTask m_task;
    int m_finished = 0;
};

TEST_F(LUTLoaderTrayTest, ReloadRequestsSurviveAMenuRebuiltBeforeTheyAreServed)
{
    m_tray->applyAllAction()->trigger();
    ASSERT_TRUE(serveUntil([&] { return m_finished == 2 && !m_tray->isLoading(); }));
    PeriodicReload reload(*m_tray);
    reload.start();
    // The menu's entries are deleted and made anew while the requests wait in the queue.
    m_tray->slotReloadAllLUTs();
    ASSERT_TRUE(serveUntil([&] { return reload.finished() == 1 && !m_tray->isLoading(); }));
    // The rebuilt menu loads the displays loaded before once more; then both are checked again.
    ASSERT_TRUE(serveUntil([&] {
        return action("DP-1")->isChecked() && action("HDMI-1")->isChecked() && m_tray->pendingLoads() == 0 &&
               !m_tray->isLoading();
    }));
    EXPECT_FALSE(lutLockTaken());
}

// A calibrated display keeps its table on the card through periodic reloads and menu rebuilds:
// a sampler reading the cards all along never sees anything else.
TEST_F(LUTLoaderTrayTest, CalibratedDisplaysNeverLeaveTheirTableDuringReloads)
{
    m_tray->applyAllAction()->trigger();
    ASSERT_TRUE(serveUntil([&] { return m_finished == 2 && !m_tray->isLoading(); }));
    const std::optional<luts_t> dp1 = cardTable("DP-1");
    const std::optional<luts_t> hdmi = cardTable("HDMI-1");
    ASSERT_TRUE(dp1 && hdmi);
    ASSERT_NE(*dp1, linear(256, 65535));

    std::atomic<bool> stop{false};
    std::atomic<int> samples{0};
    std::atomic<int> uncalibrated{0};
    std::thread sampler([&] {
        while (!stop.load()) {
            if (cardTable("DP-1") != dp1 || cardTable("HDMI-1") != hdmi)
                ++uncalibrated;
            ++samples;
            QThread::msleep(2);
        }
    });
    PeriodicReload reload(*m_tray);
    for (int round = 1; round <= 3; ++round) {
        const int answers = m_finished;
        reload.start();
        ASSERT_TRUE(serveUntil([&] { return reload.finished() == round && !m_tray->isLoading(); }));
        EXPECT_EQ(m_finished, answers + 2);
    }
    // As after an unlock or a hot-plug: the displays loaded before are forced again.
    const int before = m_finished;
    m_tray->slotReloadAllLUTs();
    ASSERT_TRUE(serveUntil([&] { return m_finished == before + 2 && !m_tray->isLoading(); }));
    stop.store(true);
    sampler.join();
    EXPECT_GT(samples.load(), 0);
    EXPECT_EQ(uncalibrated.load(), 0);
    EXPECT_TRUE(action("DP-1")->isChecked());
}

TEST_F(LUTLoaderTrayTest, HotKeysApplyAndCancelEveryDisplay)
{
    const auto press = [](const char* keys) {
        return Platform::workstation()
            ->apply({{"cmd", "hotkey"}, {"keys", QLatin1String(keys)}})
            .value("ok")
            .toBool();
    };
    ASSERT_TRUE(press("Ctrl+Shift+F11"));
    ASSERT_TRUE(serveUntil([&] { return m_finished == 2 && !m_tray->isLoading(); }));
    EXPECT_TRUE(action("DP-1")->isChecked());
    EXPECT_TRUE(action("HDMI-1")->isChecked());

    // A key the tray did not take does nothing.
    ASSERT_TRUE(press("Ctrl+Shift+F10"));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_tray->pendingLoads(), 0);

    ASSERT_TRUE(press("Ctrl+Shift+F12"));
    ASSERT_TRUE(serveUntil([&] { return m_finished == 4 && !m_tray->isLoading(); }));
    EXPECT_FALSE(action("DP-1")->isChecked());
    EXPECT_FALSE(action("HDMI-1")->isChecked());
}

} // namespace

namespace {

TEST_F(LUTLoaderTrayTest, SingleClickOpensTheMenuDoubleClickDoesNot)
{
    QSignalSpy left(m_tray.get(), &LUTLoaderTray::signalLeftClick);
    QSignalSpy twice(m_tray.get(), &LUTLoaderTray::signalDoubleClick);
    emit m_tray->activated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(left.wait(10000));
    EXPECT_EQ(twice.count(), 0);

    // The second click stops the timer of the first; the menu stays closed.
    emit m_tray->activated(QSystemTrayIcon::Trigger);
    emit m_tray->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(twice.count(), 1);
    EXPECT_FALSE(left.wait(QGuiApplication::styleHints()->mouseDoubleClickInterval() * 3));
    EXPECT_EQ(left.count(), 1);
}

} // namespace
