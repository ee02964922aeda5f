#pragma once

#include "tasks/DueWorkCache.h"
#include "tasks/ServedWait.h"

#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

class Clock;
class OrvantaProcess;
class QADueWork;
class TaskNotificationWindowInterface;

// Decides, every 20 seconds on its own thread, whether the user must be told about
// due work: a due user task (the scheduler then waits until the notification is
// answered) or due QA groups of the regulation in force. It rebuilds the QA plan
// before it looks, notices display changes, and postpones what the user asks to be
// reminded of later. It never runs the work itself.
class TaskScheduler : public QThread
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultPeriod{20000};
    static constexpr std::chrono::milliseconds minimumPeriod{250};

    // Without a clock the system clock is used. The notification window, the tray
    // and the energy window are taken from the task factory.
    explicit TaskScheduler(std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);
    ~TaskScheduler() override;

    // The pause between passes (tests shorten it).
    void setPeriod(std::chrono::milliseconds period) { m_period = period; }
    // Ends the thread: the sleep and any wait for a notification end at once.
    void stopSchedulingThread();
    static void pauseSchedulingThread();
    static void resumeSchedulingThread();
    static bool isSchedulingThreadRunning();

    bool checkIfDisplayChanged();
    bool isSharedMemoryExists();
    bool isSchedulerPermitted();
    // True when no user task was offered in this pass.
    bool checkUserDatabase();
    void checkQADatabase();
    void wakeUpDisplay(int displayId);
    void waitForNotificationToBeClosed();
    // Whether a due user task on the display may run unattended: the display's built-in
    // sensor measures on its own patch and the user allowed the internal sensor for it.
    static bool runsInBackground(int displayId);
    // The screen saver ended (unless it is a lock) and the system kept awake before the
    // user is asked; `who` names the caller in the log.
    static void keepSessionAwake(const char* who);
    // Takes the QA groups of displays blocked by the room light, or whose light was not
    // measured lately, out of what may be offered.
    static void dropBlockedByAmbient(QADueWork& due, qint64 now);

    bool notificationOpen() const { return m_notificationOpen.load(); }
    // Passes made so far (a pass that found the scheduler not permitted ends the thread).
    int passes() const { return m_passes.load(); }
    // Passes that rebuilt the QA plan, and passes that found nothing changed and read nothing.
    int planRebuilds() const { return m_planRebuilds.load(); }
    int quietPasses() const { return m_quietPasses.load(); }

signals:
    void refreshContextMenu();
    void notifyAboutUserTasks(int taskId, bool background);
    void notifyAboutQATasks(std::vector<int> groupIds);
    void finished();

public slots:
    // The notification window or the energy window was answered: ends the wait for it.
    // An answer while no notification is open is ignored.
    void quit();
    // "Remind Me In": postpones what was offered last by `seconds`.
    void slotRemind(int seconds);
    // The window started the offered work.
    void slotTasksStarted();

protected:
    void run() override;

private:
    void pass();
    // Both checks of one pass look at the same due work.
    bool checkUserDatabase(const QADueWork& due, qint64 time);
    void checkQADatabase(QADueWork due, qint64 time);
    const QADueWork& dueWork(qint64 time);
    void ended();
    qint64 now() const;
    bool stopRequested() const;

    std::shared_ptr<const Clock> m_clock;
    std::unique_ptr<OrvantaProcess> m_process;
    std::chrono::milliseconds m_period = defaultPeriod;
    ServedWait m_sleep;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_notificationOpen{false};
    std::atomic<bool> m_qaOpen{false};
    std::atomic<int> m_passes{0};
    std::atomic<int> m_planRebuilds{0};
    std::atomic<int> m_quietPasses{0};
    DueWorkCache m_due;
    // What the open or last notification offered: a user task, or QA groups.
    std::atomic<int> m_offeredTask{-1};
    std::vector<int> m_offeredGroups;
    QMutex m_offeredMutex;
};
