#include "tasks/TaskScheduler.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "db/DBDisplays.h"
#include "db/DBIdleMemory.h"
#include "db/DBPreferences.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "platform/HeapRelease.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/ScreenSaver.h"
#include "qa/QADueWork.h"
#include "qa/QASchedulingGroups.h"
#include "qa/UserScheduling.h"
#include "tasks/Clock.h"
#include "tasks/EnergyModeNotificationWindowInterface.h"
#include "tasks/LUTLoaderTrayInterface.h"
#include "tasks/SystemClock.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskNotificationWindowInterface.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

std::atomic<bool> s_schedulingSwitch{true};

} // namespace

TaskScheduler::TaskScheduler(std::shared_ptr<const Clock> clock, QObject* parent)
    : QThread(parent), m_clock(clock ? std::move(clock) : std::make_shared<SystemClock>()),
      m_process(std::make_unique<OrvantaProcess>())
{
    // A fast clock makes the passes come as often in its own time; a floor keeps the
    // database from being read in a busy loop.
    m_period = std::max<std::chrono::milliseconds>(m_clock->realSpan(defaultPeriod), minimumPeriod);
    if (LUTLoaderTrayInterface* tray = TaskFactory::trayIconInstance())
        connect(
            this, &TaskScheduler::refreshContextMenu, tray, [tray] { tray->refreshDisplayInfo(false); },
            Qt::QueuedConnection);
    if (TaskNotificationWindowInterface* window = TaskFactory::taskNotificationWindow()) {
        connect(this, &TaskScheduler::notifyAboutUserTasks, window,
                &TaskNotificationWindowInterface::showUserNotification, Qt::QueuedConnection);
        connect(this, &TaskScheduler::notifyAboutQATasks, window,
                &TaskNotificationWindowInterface::showQANotification, Qt::QueuedConnection);
        // Every way the window ends a notification ends the wait: accept, reject, remind,
        // silent mode and a background run all report finished().
        connect(window, &TaskNotificationWindowInterface::rejected, this, &TaskScheduler::quit,
                Qt::QueuedConnection);
        connect(window, &TaskNotificationWindowInterface::finished, this, &TaskScheduler::quit,
                Qt::QueuedConnection);
        connect(window, &TaskNotificationWindowInterface::hidden, this, &TaskScheduler::quit,
                Qt::QueuedConnection);
        connect(window, &TaskNotificationWindowInterface::signalRemindIn, this, &TaskScheduler::slotRemind,
                Qt::DirectConnection);
        connect(window, &TaskNotificationWindowInterface::startTasks, m_process.get(),
                qOverload<const QStringList&>(&OrvantaProcess::start));
        connect(window, &TaskNotificationWindowInterface::startTasks, this, &TaskScheduler::slotTasksStarted,
                Qt::DirectConnection);
    }
    if (EnergyModeNotificationWindowInterface* energy = TaskFactory::energyWindow())
        connect(energy, &EnergyModeNotificationWindowInterface::rejected, this, &TaskScheduler::quit,
                Qt::QueuedConnection);
    // A clock moved by hand (tests, the simulated workstation) is looked at at once.
    connect(
        m_clock.get(), &Clock::changed, this, [this] { m_sleep.wake(); }, Qt::DirectConnection);
}

TaskScheduler::~TaskScheduler()
{
    stopSchedulingThread();
    wait();
}

qint64 TaskScheduler::now() const
{
    return m_clock->now();
}

bool TaskScheduler::stopRequested() const
{
    return m_stop.load() || isInterruptionRequested();
}

void TaskScheduler::stopSchedulingThread()
{
    qDebug() << "void TaskScheduler::stopSchedulingThread()";
    m_stop.store(true);
    requestInterruption();
    m_notificationOpen.store(false);
    m_sleep.wake();
}

void TaskScheduler::pauseSchedulingThread()
{
    s_schedulingSwitch.store(false);
}

void TaskScheduler::resumeSchedulingThread()
{
    s_schedulingSwitch.store(true);
}

bool TaskScheduler::isSchedulingThreadRunning()
{
    return s_schedulingSwitch.load();
}

void TaskScheduler::run()
{
    qDebug() << "virtual void TaskScheduler::run()";
    s_schedulingSwitch.store(true);
    {
        // Next runs of the user's tasks as of this start (start-up tasks count from it).
        UserScheduling tasks;
        tasks.updateNextRuns(now(), AppPreferences::get(QStringLiteral("StartTime")).toLongLong());
    }
    while (!stopRequested()) {
        m_sleep.wait(m_period);
        while (!s_schedulingSwitch.load() && !stopRequested())
            m_sleep.wait(std::chrono::milliseconds(50));
        if (stopRequested())
            break;
        if (!isSchedulerPermitted())
            break;
        pass();
    }
    qDebug() << "TaskScheduler ends";
}

void TaskScheduler::pass()
{
    m_passes.fetch_add(1);
    checkIfDisplayChanged();
    bool read = false;
    if (!isSharedMemoryExists()) {
        const qint64 time = now();
        const QADueWork& due = dueWork(time);
        read = !m_due.lastWasReused();
        if (checkUserDatabase(due, time))
            checkQADatabase(due, time);
    }
    // The task runner sleeps until its next task is due, which a set wall clock moves.
    SystemClock::noticeSharedStep();
    // The next pass is 20 s away: what this one read and built need not stay with the process.
    // A pass that read nothing has nothing to give back.
    if (read) {
        DBIdleMemory::release();
        HeapRelease::releaseFreePages();
    }
}

const QADueWork& TaskScheduler::dueWork(qint64 time)
{
    const int before = m_due.rebuilds();
    const QADueWork& due = m_due.at(time);
    if (m_due.rebuilds() != before)
        m_planRebuilds.fetch_add(1);
    if (m_due.lastWasReused())
        m_quietPasses.fetch_add(1);
    return due;
}

void TaskScheduler::ended()
{
    emit finished();
}

bool TaskScheduler::isSchedulerPermitted()
{
    if (DBPreferences().getValue(QStringLiteral("UseScheduler")) != QLatin1String("true")) {
        qDebug() << "TaskScheduler stop - preferences.getValue(\"UseScheduler\") != \"true\"";
        emit finished();
        return false;
    }
    return true;
}

bool TaskScheduler::checkIfDisplayChanged()
{
    qDebug() << "void TaskScheduler::checkIfDisplayChanged()";
    if (!CurrentDisplays::IsDisplaysChanged())
        return false;
    qDebug() << "Display Changed";
    emit refreshContextMenu();
    QCoreApplication::processEvents();
    QThread::msleep(1);
    QCoreApplication::processEvents();
    return true;
}

bool TaskScheduler::isSharedMemoryExists()
{
    KaldoSharedMemory lock(SHARED_MEMORY_KEY_CALIBRATION, "TaskScheduler", 1);
    if (lock.IsLocked()) {
        qDebug() << "TaskScheduler stop - sharedMemory exists";
        return true;
    }
    if (lock.Lock())
        lock.Unlock();
    return false;
}

bool TaskScheduler::checkUserDatabase()
{
    const qint64 time = now();
    return checkUserDatabase(dueWork(time), time);
}

bool TaskScheduler::checkUserDatabase(const QADueWork& due, qint64 time)
{
    qDebug() << "bool TaskScheduler::checkUserDatabase()";
    if (due.userTasks.isEmpty())
        return true;
    QList<int> wake;
    const int chosen = QADueWork::chooseUserTask(due.userTasks, time, &wake, [](int id) {
        return DisplayList::instance().isDisplayBlockedByAmbient(id);
    });
    for (const int display : wake)
        wakeUpDisplay(display);
    if (chosen < 0) {
        qDebug() << "TaskScheduler::run() - found User task, but displays not active. close";
        return true;
    }
    const QADueWork::UserTask task = due.userTasks.at(chosen);
    wakeUpDisplay(task.displayId);
    if (!DisplayList::instance().isDisplayWarmed(task.displayId)) {
        qDebug() << "if (!isWarmed)";
        qDebug() << "TaskScheduler::run() not warmed";
        UserScheduling().suspendTask(task.taskId, 60, time);
        keepSessionAwake("TaskScheduler");
        if (const std::shared_ptr<BaseDisplay> display =
                DisplayList::instance().GetDisplayInstanceById(task.displayId))
            display->unlockHardware();
        emit finished();
        return false;
    }
    const bool background = runsInBackground(task.displayId);
    qDebug() << "Start Notify Window";
    qDebug() << "task id - " << task.taskId;
    qDebug() << "background" << (background ? "true" : "false");
    m_offeredTask.store(task.taskId);
    {
        const QMutexLocker locker(&m_offeredMutex);
        m_offeredGroups.clear();
    }
    m_notificationOpen.store(true);
    emit notifyAboutUserTasks(task.taskId, background);
    waitForNotificationToBeClosed();
    return false;
}

void TaskScheduler::checkQADatabase()
{
    const qint64 time = now();
    checkQADatabase(dueWork(time), time);
}

void TaskScheduler::checkQADatabase(QADueWork due, qint64 time)
{
    qDebug() << "void TaskScheduler::checkQADatabase()";
    if (due.dueGroups.isEmpty() && due.enabledGroupIds.empty())
        return;
    dropBlockedByAmbient(due, time);
    QStringList enabled;
    for (const int id : due.enabledGroupIds)
        enabled << QString::number(id);
    qDebug().noquote() << "ntaskIds - " << enabled.join(QLatin1Char(','));
    if (due.qaExcluded) {
        qDebug() << "TaskScheduler - QA notifications excluded";
        emit finished();
        return;
    }
    KaldoSharedMemory scheduling(SHARED_MEMORY_KEY_SCHEDULING, "TaskScheduler", 1);
    if (scheduling.IsLocked()) {
        qDebug() << "Scheduling sharedmemory grabbed - stops";
        emit finished();
        return;
    }
    if (due.dueGroups.isEmpty()) {
        qDebug() << "TaskScheduler stop - taskIds.empty()";
        emit finished();
        return;
    }
    if (due.enabledGroupIds.empty()) {
        qDebug() << "TaskScheduler stop - ntaskIds.empty()";
        emit finished();
        return;
    }
    // The scheduler does not wait for a QA notification, but offers no second one while it is open.
    if (m_qaOpen.load()) {
        qDebug() << "TaskScheduler - QA notification still open";
        return;
    }
    qDebug() << "TaskScheduler notify about QA";
    {
        const QMutexLocker locker(&m_offeredMutex);
        m_offeredGroups = due.enabledGroupIds;
    }
    m_offeredTask.store(-1);
    m_qaOpen.store(true);
    emit notifyAboutQATasks(due.enabledGroupIds);
    qDebug() << "TaskScheduler return in QA";
}

void TaskScheduler::dropBlockedByAmbient(QADueWork& due, qint64 now)
{
    // Diagnostic QA in a room that is too bright or too dark for the display would give
    // results nobody may rely on: its groups wait until the light was measured and is
    // back in range.
    QList<int> blockedGroups;
    for (auto it = due.dueGroups.begin(); it != due.dueGroups.end();) {
        if (DisplayList::instance().isDisplayBlockedByAmbient(it->displayId) ||
            QADueWork::ambientCheckPending(it->displayId, now)) {
            qDebug() << "isdisplayBlockedByAmbient" << it->displayId << "QA group" << it->groupId;
            blockedGroups << it->groupId;
            it = due.dueGroups.erase(it);
        } else {
            ++it;
        }
    }
    std::erase_if(due.enabledGroupIds, [&](int group) { return blockedGroups.contains(group); });
}

bool TaskScheduler::runsInBackground(int displayId)
{
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(displayId);
    if (!display)
        return false;
    // The sensor stays the display's: only whether it has one and shows its own patch matters.
    bool background = display->sensor() != nullptr && display->sensorHavePatch();
    background = background && DBDisplays().getDisplayInfo(displayId, QStringLiteral("InternalSensor")) ==
                                   QLatin1String("true");
    display->unlockHardware();
    return background;
}

void TaskScheduler::keepSessionAwake(const char* who)
{
    Platform::backend().screenSaver().wakeForUser(QString::fromLatin1(who));
}

void TaskScheduler::wakeUpDisplay(int displayId)
{
    qDebug() << "void TaskScheduler::wakeUpDisplay(int)" << displayId;
    if (!CurrentDisplays::IsDisplayConnected(displayId))
        return;
    keepSessionAwake("TaskScheduler");
    DBPreferences preferences;
    const QString presence = preferences.getValue(QStringLiteral("tempPresence"));
    if (!presence.isEmpty() && presence != QLatin1String("deactivated"))
        return;
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(displayId);
    if (!display)
        return;
    bool on = false;
    if (display->presenceSensor(on) && on) {
        preferences.setValue(QStringLiteral("tempPresence"), QStringLiteral("deactivated"), false);
        display->setPresenceSensor(false);
    }
}

void TaskScheduler::waitForNotificationToBeClosed()
{
    qDebug() << "void TaskScheduler::waitForNotificationToBeClosed()";
    // Only an answer that arrives while the notification is open clears the flag; a
    // stray quit() from before cannot end this wait early.
    while (m_notificationOpen.load() && !stopRequested())
        m_sleep.wait(std::chrono::milliseconds(1000));
    m_notificationOpen.store(false);
}

void TaskScheduler::quit()
{
    m_qaOpen.store(false);
    if (m_notificationOpen.exchange(false))
        m_sleep.wake();
}

void TaskScheduler::slotRemind(int seconds)
{
    const qint64 until = now() + seconds;
    const int task = m_offeredTask.load();
    if (task >= 0) {
        UserScheduling().delayTask(task, until);
        return;
    }
    std::vector<int> groups;
    {
        const QMutexLocker locker(&m_offeredMutex);
        groups = m_offeredGroups;
    }
    QASchedulingGroups table;
    for (const int group : groups)
        table.delayTask(group, until, now());
}

void TaskScheduler::slotTasksStarted()
{
    const int task = m_offeredTask.load();
    if (task < 0)
        return;
    // The offered user task counts as run now; its next run follows its calendar.
    UserScheduling tasks;
    tasks.setLastRunTime(task, now());
    tasks.updateNextRun(task, now());
}
