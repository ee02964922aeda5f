#include "tasks/TaskRunner.h"

#include "app/AppPreferences.h"
#include "app/WindowsEventListener.h"
#include "db/DB.h"
#include "db/DBIdleMemory.h"
#include "db/KaldoDynamicData.h"
#include "platform/HeapRelease.h"
#include "tasks/Clock.h"
#include "tasks/SystemClock.h"
#include "tasks/Task.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskList.h"
#include "tasks/UpdateLUTsAfterUnlockTask.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMutex>

#include <algorithm>
#include <limits>

using namespace std::chrono_literals;

namespace {

// Process-wide state the tray reads without a lock.
std::atomic<bool> s_isRun{true};
std::atomic<bool> s_executing{false};
std::atomic<bool> s_locked{false};
QMutex s_taskNameMutex;
QString s_taskName;

// The runner sleeps until its next task is due; a push, an unlock, a stop or a jump of
// the task clock wakes it earlier. A wall clock set back or forward by the system wakes
// nobody by itself: the scheduler's passes look for that every 20 s, and without them
// the runner still looks at the clock this often.
constexpr auto longestSleep = 600000ms;
// The pause between two tasks.
constexpr auto tick = 50ms;
// A task whose last run lies this far in the future is run at once.
constexpr qint64 futureLimitSeconds = 86400;

// Energy-save mode defers a task in steps of this many seconds.
constexpr qint64 deferralSeconds = 30;

// Enough deferral steps to put a task that is `overdueSeconds` late after now: one
// for a task just due, more for one long overdue (after a lock or a clock set
// forward), which would otherwise be deferred step by step in a busy loop.
int deferralSteps(qint64 overdueSeconds)
{
    return static_cast<int>(std::max<qint64>(overdueSeconds, 0) / deferralSeconds + 1);
}

const QString reloadAfterUnlockName = QStringLiteral("Update all LUTs after system unlock");
const QString reloadAfterWakeUpName = QStringLiteral("Update all LUTs after displays wake-up");
constexpr qint64 reloadFirstDelaySeconds = 10;

} // namespace

TaskRunner::TaskRunner(std::shared_ptr<Clock> clock, QObject* parent)
    : QThread(parent), m_clock(clock ? std::move(clock) : SystemClock::shared())
{
    connect(
        m_clock.get(), &Clock::changed, this, [this] { wake(); }, Qt::DirectConnection);
    m_eventListener = std::make_unique<WindowsEventListener>();
    WindowsEventListener* const listener = m_eventListener.get();
    connect(listener, &WindowsEventListener::signalSessionLock, this, &TaskRunner::slotLockLUTLoader);
    connect(listener, &WindowsEventListener::signalSessionUnlock, this, &TaskRunner::slotUnLockLUTLoader);
    connect(listener, &WindowsEventListener::signalDisplayWakeUp, this,
            &TaskRunner::slotRefreshDisplaysAfterSleep);
    connect(listener, &WindowsEventListener::signalDisplayConnected, this,
            &TaskRunner::slotRefreshDisplaysAfterSleep);
}

// The main application changes preferences by writing the shared database and tells
// nobody; every commit writes the file, which the system reports without a poll.
void TaskRunner::watchDatabase()
{
    const QString file = KaldoDynamicData::fullPath(DB::path(), DB::DATABASE_NAME);
    if (!QFileInfo::exists(file))
        return;
    m_databaseWatch = std::make_unique<QFileSystemWatcher>();
    if (!m_databaseWatch->addPath(file)) {
        qWarning().noquote() << "TaskRunner - changes of" << file
                             << "are not reported; quiet tasks keep their own times";
        return;
    }
    connect(m_databaseWatch.get(), &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        // Stamped by the file, so that what a task wrote in the run that made it quiet is not
        // taken for news.
        const QDateTime changed = QFileInfo(path).lastModified();
        endQuiet(changed.isValid() ? changed.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    });
}

TaskRunner::~TaskRunner()
{
    qDebug() << "TaskRunner::~TaskRunner() start";
    m_stop.store(true);
    emit terminateTask();
    wake();
    // Waits on the run lock end on the stop, so only a task stuck inside its own
    // run() can hold the thread; say which one while waiting for it.
    while (!wait(10000))
        qWarning().noquote() << "TaskRunner::~TaskRunner() - still waiting for task" << CurrentTaskName();
    for (Task* task : m_queue.takeAll())
        TaskFactory::free(task);
    m_eventListener.reset();
    qDebug() << "TaskRunner::~TaskRunner() end";
}

int TaskRunner::loadTasks(const QString& fileName, const QString& iconsPrefix, qint64 reminderSeconds)
{
    QString error;
    QStringList warnings;
    const std::vector<TaskList::Entry> entries = TaskList::read(fileName, &error, &warnings);
    for (const QString& warning : warnings)
        qWarning().noquote() << "TaskRunner::loadTasks -" << warning;
    if (!error.isEmpty()) {
        qWarning().noquote() << "TaskRunner::loadTasks -" << error << "- no tasks loaded";
        return 0;
    }
    TaskFactory::setIconsPrefix(iconsPrefix);
    int loaded = 0;
    for (const TaskList::Entry& entry : entries) {
        if (std::unique_ptr<Task> task = TaskFactory::create(
                entry.type, entry.name, entry.timeout, entry.firstWithReminder(reminderSeconds), m_clock)) {
            qDebug().noquote() << "TaskRunner::loadTasks - task" << task->name() << "every" << entry.timeout
                               << "s, first due in"
                               << static_cast<qint64>(task->nextRun()) - static_cast<qint64>(m_clock->now())
                               << "s";
            add(std::move(task));
            ++loaded;
        }
    }
    qDebug().noquote() << "TaskRunner::loadTasks -" << loaded << "tasks loaded from" << fileName;
    return loaded;
}

void TaskRunner::add(std::unique_ptr<Task> task)
{
    if (!task)
        return;
    connect(this, &TaskRunner::terminateTask, task.get(), &Task::terminate, Qt::DirectConnection);
    // run() executes here, so the task lives here: what it creates in run() belongs to
    // it, and answers queued to it arrive while the runner waits for them.
    if (task->thread() == QThread::currentThread())
        task->moveToThread(this);
    m_queue.push(task.release());
    wake();
}

void TaskRunner::safeStart()
{
    // The database exists by now; the watch reports to this, the main, thread.
    if (!m_databaseWatch)
        watchDatabase();
    start(QThread::InheritPriority);
}

bool TaskRunner::safeTerminate(unsigned long ms)
{
    m_stop.store(true);
    emit terminateTask();
    wake();
    const bool ended = wait(QDeadlineTimer(static_cast<qint64>(ms)));
    if (!ended)
        qWarning().noquote() << "TaskRunner::safeTerminate - task" << CurrentTaskName() << "still runs after"
                             << ms << "ms";
    return ended;
}

TaskRunner* TaskRunner::stopWithin(std::unique_ptr<TaskRunner>& runner, unsigned long ms)
{
    if (!runner)
        return nullptr;
    if (runner->safeTerminate(ms)) {
        runner.reset();
        return nullptr;
    }
    // Destroying a thread that still runs would abort the process; waiting longer may never end.
    qWarning().noquote() << "TaskRunner::stopWithin - task" << CurrentTaskName() << "did not end within" << ms
                         << "ms; it is left to end with the process";
    return runner.release();
}

void TaskRunner::sendTerminateSignals()
{
    emit terminateTask();
}

bool TaskRunner::checkUpdateLutAlreadyInQueue() const
{
    return m_queue.containsAny(
        [](const Task* task) { return qobject_cast<const UpdateLUTsAfterUnlockTask*>(task) != nullptr; });
}

void TaskRunner::SetIsRun(bool isRun)
{
    qDebug().noquote() << QStringLiteral("Set Is Run - ") + (isRun ? "true" : "false");
    s_isRun.store(isRun);
}

bool TaskRunner::IsExecute()
{
    return s_executing.load();
}

bool TaskRunner::IsLocked()
{
    return s_locked.load();
}

QString TaskRunner::CurrentTaskName()
{
    const QMutexLocker locker(&s_taskNameMutex);
    return s_taskName;
}

void TaskRunner::slotLockLUTLoader()
{
    qDebug() << "slotLockLUTLoader!!!";
    s_locked.store(true);
    emit signalSessionLocked();
}

void TaskRunner::slotUnLockLUTLoader()
{
    qDebug() << "slotUnLockLUTLoader!!!";
    queueReloadOnce(reloadAfterUnlockName);
    emit signalRetranslateCheck();
    s_locked.store(false);
    wake();
}

void TaskRunner::slotRefreshDisplaysAfterSleep()
{
    qDebug() << "TaskRunner::slotRefreshDisplaysAfterSleep()";
    queueReloadOnce(reloadAfterWakeUpName);
}

void TaskRunner::slotInputsChanged()
{
    endQuiet(std::numeric_limits<qint64>::max());
}

void TaskRunner::endQuiet(qint64 changedAtMs)
{
    bool endedQuiet = false;
    m_queue.forEach([&](Task* task) { endedQuiet = task->endQuiet(changedAtMs) || endedQuiet; });
    if (endedQuiet)
        wake();
}

void TaskRunner::queueReloadOnce(const QString& name)
{
    if (checkUpdateLutAlreadyInQueue())
        return;
    add(TaskFactory::create(TaskFactory::UpdateLUTsAfterUnlock, name, 0, reloadFirstDelaySeconds, m_clock));
}

void TaskRunner::run()
{
    if (m_queue.length() == 0) {
        qDebug() << "TaskRunner::run() - no tasks, the runner ends";
        return;
    }
    while (!m_stop.load()) {
        if (!s_isRun.load()) {
            idle(longestSleep);
            continue;
        }
        Task* const task = m_queue.front();
        if (task == nullptr) {
            idle(longestSleep);
            continue;
        }
        if (!runDueTask(task))
            continue;
        // Tasks due back to back still leave a pause between them; a runner with
        // nothing due goes straight to its sleep until the next one.
        if (dueNow())
            idle(tick);
        else
            QCoreApplication::processEvents();
    }
    qDebug() << "TaskRunner stopped";
}

// Runs `task` when it is due and may run now; otherwise sleeps or defers it.
// Returns whether it ran.
bool TaskRunner::runDueTask(Task* task)
{
    const qint64 nowMs = m_clock->msecsSinceEpoch();
    const qint64 now = m_clock->now();
    const qint64 next = static_cast<qint64>(task->nextRun());
    const bool lastRunFarAhead = next - static_cast<qint64>(task->timeout()) > now + futureLimitSeconds;
    if (!lastRunFarAhead && next > now) {
        idle(std::min<std::chrono::milliseconds>(
            longestSleep, m_clock->realSpan(std::chrono::milliseconds(next * 1000 - nowMs))));
        return false;
    }
    if (s_locked.load()) {
        // The unlock wakes the runner.
        idle(longestSleep);
        return false;
    }
    if (inEnergySaveMode() && !task->canWorkInSleep()) {
        qDebug() << "task can not be run in energy save mode - suspend";
        task->shiftLastRun(deferralSeconds * deferralSteps(now - next));
        logNextTask();
        return false;
    }
    startTask(task);
    return true;
}

void TaskRunner::startTask(Task* task)
{
    emit signalTaskStarted();
    s_executing.store(true);
    {
        const QMutexLocker locker(&s_taskNameMutex);
        s_taskName = task->name();
    }
    qDebug().noquote() << "task started " + task->name();
    task->start([this] { return m_stop.load(); });
    qDebug() << "task ended";
    if (task->isDisposable()) {
        m_queue.remove(task);
        TaskFactory::free(task);
    }
    logNextTask();
    // What the task built up and freed would otherwise stay with the process while it
    // waits for the next one, minutes away.
    DBIdleMemory::release();
    HeapRelease::releaseFreePages();
    HeapRelease::releaseCodePages();
    s_executing.store(false);
    emit signalTaskFinished();
}

bool TaskRunner::dueNow() const
{
    const Task* const next = m_queue.front();
    return next != nullptr && static_cast<qint64>(next->nextRun()) <= m_clock->now();
}

bool TaskRunner::inEnergySaveMode() const
{
    return AppPreferences::get(QStringLiteral("NowInEnergySaveMode")) == QLatin1String("true");
}

void TaskRunner::logNextTask() const
{
    const Task* const next = m_queue.front();
    if (next == nullptr) {
        qDebug() << "Next Task - none";
        return;
    }
    const QString at =
        QDateTime::fromSecsSinceEpoch(static_cast<qint64>(next->nextRun())).toString("hh:mm:ss");
    qDebug().noquote() << "Next Task - " + next->name() + " next run " + at;
}

void TaskRunner::idle(std::chrono::milliseconds bound)
{
    m_wait.wait(bound);
    m_wakeUps.fetch_add(1);
}

void TaskRunner::wake()
{
    m_wait.wake();
}
