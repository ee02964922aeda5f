#pragma once

#include "tasks/LUTLoaderTrayInterface.h"
#include "tasks/ManualClock.h"
#include "tasks/Task.h"
#include "tasks/TaskRunner.h"

#include <QMutex>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>

// Readable test failures.
void PrintTo(const QString& text, std::ostream* out);

// Every test task appends "run:<name>" (and whatever else a test records) here, from
// whichever thread it runs on.
class EventLog
{
public:
    void add(const QString& entry);
    QStringList entries() const;
    int count(const QString& entry) const;
    void clear();

private:
    mutable QMutex m_mutex;
    QStringList m_entries;
};

EventLog& eventLog();

// Serves the main thread's events until `condition` holds; false when it never did
// within a generous bound (a hang must fail the test, not stall it).
bool waitFor(const std::function<bool()>& condition, int boundMs = 20000);

// Selects the simulated workstation unless it is already active (the runner's event
// listener hears the session through it) and the test's own database.
void useSimulatedWorkstation();

// Becomes true when `object` is destroyed, on whichever thread that happens.
std::shared_ptr<std::atomic<bool>> watchDestroyed(QObject* object);

// A task that records its run and finishes inside run().
class RecordingTask : public Task
{
    Q_OBJECT
public:
    RecordingTask(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock,
                  bool sleepWorker = false, bool disposable = false);

    bool canWorkInSleep() const override { return m_sleepWorker; }
    bool isDisposable() const override { return m_disposable; }
    void run() override;

private:
    const bool m_sleepWorker;
    const bool m_disposable;
};

// A runner on a manual clock, with a barrier: sync() queues a task due now and waits
// until it ran. Tasks due after "now" cannot have run before it, tasks due at or before
// it (and earlier in the queue) must have.
class RunnerHarness
{
public:
    static constexpr qint64 start = 1'800'000'000; // a fixed, arbitrary instant

    RunnerHarness();
    ~RunnerHarness();

    ManualClock& clock() { return *m_clock; }
    std::shared_ptr<ManualClock> sharedClock() const { return m_clock; }
    TaskRunner& runner() { return *m_runner; }

    Task* add(std::unique_ptr<Task> task);
    Task* addRecording(const QString& name, qint64 timeout, qint64 first, bool sleepWorker = false);
    void startRunner();
    bool sync();

private:
    std::shared_ptr<ManualClock> m_clock;
    std::unique_ptr<TaskRunner> m_runner;
    int m_barriers = 0;
};

// The tray as a test sees it: records what tasks asked for; answers a reload request
// only when told to.
class FakeTray : public LUTLoaderTrayInterface
{
    Q_OBJECT
public:
    explicit FakeTray(bool answerReloads) : m_answerReloads(answerReloads) {}

    void GetDisplayActionsList(std::vector<QAction*>& actions) override { actions.clear(); }
    void enableActions(bool enable) override { eventLog().add(QString("tray:enableActions:%1").arg(enable)); }
    void slotShowMessage(QString text) override { eventLog().add("tray:message:" + text); }
    void slotLoadIcon(const QString&) override {}
    void slotTranslatorEnable(bool) override {}
    void slotRetranslate() override {}
    void slotTurnOnDisplays() override { eventLog().add("tray:turnOn"); }
    void slotTurnOffDisplays() override {}
    void slotIsLUTLoad(int) override {}
    void slotReloadAllLUTs() override;
    void enableContextMenu() override { eventLog().add("tray:enableContextMenu"); }
    void disableContextMenu() override { eventLog().add("tray:disableContextMenu"); }
    void refreshDisplayInfo(bool firstRun) override
    {
        eventLog().add(QString("tray:refreshDisplayInfo:%1").arg(firstRun));
    }
    void slotInfo(StepsInfo info) override { eventLog().add("tray:info:" + info.value("step")); }

private:
    const bool m_answerReloads;
};
