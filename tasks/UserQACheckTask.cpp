#include "tasks/UserQACheckTask.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "app/PipeAppConnectorClient.h"
#include "db/DBPreferences.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "qa/QADueWork.h"
#include "qa/QAScheduling.h"
#include "qa/UserScheduling.h"
#include "settings/GlobalData.h"
#include "tasks/Clock.h"
#include "tasks/TaskScheduler.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

UserQACheckTask::UserQACheckTask(const QString& name, qint64 timeout, qint64 first,
                                 std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent), m_process(std::make_unique<OrvantaProcess>())
{
    connect(this, &UserQACheckTask::startTasks, m_process.get(),
            qOverload<const QStringList&>(&OrvantaProcess::start));
    connect(m_process.get(), &QProcess::finished, this, &UserQACheckTask::slotRefreshTables);
}

UserQACheckTask::~UserQACheckTask() = default;

void UserQACheckTask::terminate()
{
    qDebug() << "UserQACheckTask::terminate()";
    emit finished();
    Task::terminate();
}

void UserQACheckTask::slotRefreshTables()
{
    if (PipeAppConnectorClient* pipe = PipeAppConnectorClient::instance())
        pipe->sendMessage(QStringLiteral("regenTables"), QStringLiteral("1"));
}

void UserQACheckTask::wakeUpDisplay(int displayId)
{
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(displayId);
    if (!display)
        return;
    TaskScheduler::keepSessionAwake("UserQACheckTask");
    DBPreferences preferences;
    const QString presence = preferences.getValue(QStringLiteral("tempPresence"));
    bool on = false;
    if ((presence.isEmpty() || presence == QLatin1String("deactivated")) && display->presenceSensor(on) &&
        on) {
        preferences.setValue(QStringLiteral("tempPresence"), QStringLiteral("deactivated"), false);
        display->setPresenceSensor(false);
    }
}

void UserQACheckTask::run()
{
    DBPreferences preferences;
    if (preferences.getValue(QStringLiteral("UseScheduler")) != QLatin1String("true")) {
        qDebug() << "UserQACheckTask stop - preferences.getValue(\"UseScheduler\") != \"true\"";
        emit finished();
        return;
    }
    if (CurrentDisplays::IsDisplaysChanged()) {
        qDebug() << "Display Changed";
        emit refreshContextMenu();
        QCoreApplication::processEvents();
        QThread::msleep(1);
        QCoreApplication::processEvents();
    }
    KaldoSharedMemory calibration(SHARED_MEMORY_KEY_CALIBRATION, "UserQACheckTask", 1);
    if (calibration.IsLocked() || !calibration.Lock()) {
        qDebug() << "UserQACheckTask stop - sharedMemory exists";
        emit finished();
        return;
    }
    const qint64 now = clock().now();
    QADueWork due = QADueWork::collect(now);
    if (!due.userTasks.isEmpty()) {
        QList<int> wake;
        const int chosen = QADueWork::chooseUserTask(due.userTasks, now, &wake, [](int id) {
            return DisplayList::instance().isDisplayBlockedByAmbient(id);
        });
        for (const int display : wake)
            wakeUpDisplay(display);
        if (chosen >= 0) {
            const QADueWork::UserTask task = due.userTasks.at(chosen);
            wakeUpDisplay(task.displayId);
            if (!DisplayList::instance().isDisplayWarmed(task.displayId)) {
                qDebug() << "UserQACheckTask::run() not warmed";
                UserScheduling().suspendTask(task.taskId, 60, now);
                TaskScheduler::keepSessionAwake("UserQACheckTask");
                if (const std::shared_ptr<BaseDisplay> display =
                        DisplayList::instance().GetDisplayInstanceById(task.displayId))
                    display->unlockHardware();
                emit finished();
                return;
            }
            const bool background = TaskScheduler::runsInBackground(task.displayId);
            qDebug() << "Start Notify Window"
                     << "task id - " << task.taskId << "background" << background;
            emit notifyAboutUserTasks(task.taskId, background);
            return;
        }
        qDebug() << "UserQACheckTask::run() - found User task, but displays not active. close";
    }
    qDebug() << "UserQACheckTask::run() 7";
    QAScheduling(now).RefreshFullInfo();
    due = QADueWork::collect(now);
    if (due.dueGroups.isEmpty() && due.enabledGroupIds.empty()) {
        qDebug() << "UserQACheckTask emit finished and end";
        emit finished();
        return;
    }
    if (GlobalData::instance().GetValue<bool>(QStringLiteral("GD_build_NoQA"))) {
        emit finished();
        return;
    }
    if (due.dueGroups.isEmpty()) {
        qDebug() << "UserQACheckTask stop - taskIds.empty()";
        emit finished();
        return;
    }
    qDebug() << "ntaskIds - " << due.enabledGroupIds.size();
    if (due.enabledGroupIds.empty()) {
        qDebug() << "UserQACheckTask stop - ntaskIds.empty()";
        emit finished();
        return;
    }
    if (due.qaExcluded) {
        qDebug() << "UserQACheckTask - QA notifications excluded";
        emit finished();
        return;
    }
    KaldoSharedMemory scheduling(SHARED_MEMORY_KEY_SCHEDULING, "", 1);
    if (scheduling.IsLocked()) {
        qDebug() << "Scheduling sharedmemory grabbed - stops";
        emit finished();
        return;
    }
    qDebug() << "UserQACheckTask notify about QA";
    emit notifyAboutQATasks(due.enabledGroupIds);
    qDebug() << "UserQACheckTask return in QA";
}
