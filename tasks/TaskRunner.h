#pragma once

#include "tasks/ServedWait.h"
#include "tasks/TaskQueue.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>

class Clock;
class QFileSystemWatcher;
class Task;
class WindowsEventListener;

// Runs the background tasks one at a time on its own thread, always the one due
// first. Between tasks it sleeps until the next due time, or until a push, an unlock,
// a clock jump or a stop wakes it; its thread's events are served all the while.
// The runner object and its slots live on the main thread.
class TaskRunner : public QThread
{
    Q_OBJECT
public:
    explicit TaskRunner(std::shared_ptr<Clock> clock = {}, QObject* parent = nullptr);
    ~TaskRunner() override;

    // Queues the tasks listed in `fileName`, each first run delayed by at least
    // `reminderSeconds`. Returns the number of tasks queued.
    int loadTasks(const QString& fileName, const QString& iconsPrefix, qint64 reminderSeconds);
    void add(std::unique_ptr<Task> task);
    void safeStart();
    // Stops the runner and waits up to `ms` for its thread. Returns whether it ended.
    bool safeTerminate(unsigned long ms);
    // Stops `runner` within `ms` and destroys it. A task stuck inside its run() does not hold
    // the caller for ever: it is logged and the runner is left behind with its thread, which
    // ends with the process. Returns the runner left behind, or null.
    static TaskRunner* stopWithin(std::unique_ptr<TaskRunner>& runner, unsigned long ms);
    void sendTerminateSignals();
    bool checkUpdateLutAlreadyInQueue() const;

    const TaskQueue& queue() const { return m_queue; }
    // How often the runner's thread woke from a sleep between tasks, for diagnostics.
    int wakeUps() const { return m_wakeUps.load(); }
    const Clock& clock() const { return *m_clock; }

    // The runner's own listener for session lock/unlock and display wake-up.
    WindowsEventListener& eventListener() { return *m_eventListener; }

    static void SetIsRun(bool isRun);
    static bool IsExecute();
    static bool IsLocked();
    // The task that runs now, or ran last.
    static QString CurrentTaskName();

public slots:
    void slotLockLUTLoader();
    void slotUnLockLUTLoader();
    void slotRefreshDisplaysAfterSleep();
    // What tasks read may have changed (the database, written by this or another
    // program): a task that had nothing to do until later keeps its period again.
    void slotInputsChanged();

signals:
    void terminateTask();
    void signalRetranslateCheck();
    void signalTaskStarted();
    void signalTaskFinished();
    void signalSessionLocked();

protected:
    void run() override;

private:
    bool runDueTask(Task* task);
    void startTask(Task* task);
    void idle(std::chrono::milliseconds bound);
    void wake();
    void queueReloadOnce(const QString& name);
    bool inEnergySaveMode() const;
    bool dueNow() const;
    void logNextTask() const;
    void watchDatabase();
    void endQuiet(qint64 changedAtMs);

    TaskQueue m_queue;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_wakeUps{0};
    std::shared_ptr<Clock> m_clock;
    ServedWait m_wait;
    std::unique_ptr<WindowsEventListener> m_eventListener;
    std::unique_ptr<QFileSystemWatcher> m_databaseWatch;
};
