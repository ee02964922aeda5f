#include "tasks/TaskFactory.h"

#include "tasks/AmbientLightTask.h"
#include "tasks/AutoWhiteLevelStabTask.h"
#include "tasks/BackLightTask.h"
#include "tasks/BackUpTask.h"
#include "tasks/DialogUpdateInterface.h"
#include "tasks/DisplaysHoursRefreshTask.h"
#include "tasks/DisplaysRefreshTask.h"
#include "tasks/EnergyModeNotificationWindowInterface.h"
#include "tasks/EnergyModeTask.h"
#include "tasks/LUTLoaderTrayInterface.h"
#include "tasks/LUTReloadTask.h"
#include "tasks/ReCommDisplayTypeTask.h"
#include "tasks/SynchronizeDatabaseTask.h"
#include "tasks/Task.h"
#include "tasks/TaskNotificationWindowInterface.h"
#include "tasks/UpdateAmbientTask.h"
#include "tasks/UpdateLUTsAfterUnlockTask.h"
#include "tasks/UpdateTask.h"
#include "tasks/UserQACheckTask.h"
#include "tasks/VerifyFailedQADisplays.h"
#include "tasks/VideoAdapterChangeInfoWindowInterface.h"
#include "tasks/VideoAdapterCheckTask.h"

#include <QDebug>
#include <QMutex>
#include <QPointer>
#include <QThread>

namespace {

// What the factory wires tasks to. Weak pointers: a window closed and deleted at
// shutdown must not leave a dangling receiver behind.
struct Receivers
{
    QMutex mutex;
    QPointer<TaskNotificationWindowInterface> notificationWindow;
    QPointer<EnergyModeNotificationWindowInterface> energyWindow;
    QPointer<LUTLoaderTrayInterface> tray;
    QPointer<DialogUpdateInterface> dialogUpdate;
    QPointer<VideoAdapterChangeInfoWindowInterface> videoAdapterWindow;
    QString iconsPrefix;
};

Receivers& receivers()
{
    static Receivers instance;
    return instance;
}

template <typename T> T* get(QPointer<T> Receivers::*member)
{
    Receivers& r = receivers();
    const QMutexLocker locker(&r.mutex);
    return (r.*member).data();
}

template <typename T> void set(QPointer<T> Receivers::*member, T* value)
{
    Receivers& r = receivers();
    const QMutexLocker locker(&r.mutex);
    r.*member = value;
}

} // namespace

QString TaskFactory::className(int type)
{
    switch (type) {
    case UserQACheck:
        return QStringLiteral("UserQACheckTask");
    case SynchronizeDatabase:
        return QStringLiteral("SynchronizeDatabaseTask");
    case SoftwareUpdate:
        return QStringLiteral("UpdateTask");
    case BackUp:
        return QStringLiteral("BackUpTask");
    case LUTReload:
        return QStringLiteral("LUTReloadTask");
    case EnergyMode:
        return QStringLiteral("EnergyModeTask");
    case DisplaysRefresh:
        return QStringLiteral("DisplaysRefreshTask");
    case VideoAdapterCheck:
        return QStringLiteral("VideoAdapterCheckTask");
    case BackLight:
        return QStringLiteral("BackLightTask");
    case UpdateAmbient:
        return QStringLiteral("UpdateAmbientTask");
    case AmbientLight:
        return QStringLiteral("AmbientLightTask");
    case AutoWhiteLevelStab:
        return QStringLiteral("AutoWhiteLevelStabTask");
    case VerifyFailedQA:
        return QStringLiteral("VerifyFailedQADisplays");
    case DisplaysHoursRefresh:
        return QStringLiteral("DisplaysHoursRefreshTask");
    case ReCommDisplayType:
        return QStringLiteral("ReCommDisplayTypeTask");
    case UpdateLUTsAfterUnlock:
        return QStringLiteral("UpdateLUTsAfterUnlockTask");
    default:
        return {};
    }
}

std::unique_ptr<Task> TaskFactory::build(int type, const QString& name, qint64 timeout, qint64 first,
                                         std::shared_ptr<const Clock> clock)
{
    // A task class joins the build with one case here and its wiring below.
    switch (type) {
    case UpdateLUTsAfterUnlock:
        return std::make_unique<UpdateLUTsAfterUnlockTask>(name, timeout, first, std::move(clock));
    case SynchronizeDatabase:
        return std::make_unique<SynchronizeDatabaseTask>(name, timeout, first, std::move(clock));
    case SoftwareUpdate:
        return std::make_unique<UpdateTask>(name, timeout, first, std::move(clock));
    case BackUp:
        return std::make_unique<BackUpTask>(name, timeout, first, std::move(clock));
    case LUTReload:
        return std::make_unique<LUTReloadTask>(name, timeout, first, std::move(clock));
    case EnergyMode:
        return std::make_unique<EnergyModeTask>(name, timeout, first, std::move(clock));
    case DisplaysRefresh:
        return std::make_unique<DisplaysRefreshTask>(name, timeout, first, std::move(clock));
    case VideoAdapterCheck:
        return std::make_unique<VideoAdapterCheckTask>(name, timeout, first, std::move(clock));
    case BackLight:
        return std::make_unique<BackLightTask>(name, timeout, first, std::move(clock));
    case DisplaysHoursRefresh:
        return std::make_unique<DisplaysHoursRefreshTask>(name, timeout, first, std::move(clock));
    case ReCommDisplayType:
        return std::make_unique<ReCommDisplayTypeTask>(name, timeout, first, std::move(clock));
    case UpdateAmbient:
        return std::make_unique<UpdateAmbientTask>(name, timeout, first, std::move(clock));
    case AmbientLight:
        return std::make_unique<AmbientLightTask>(name, timeout, first, std::move(clock));
    case AutoWhiteLevelStab:
        return std::make_unique<AutoWhiteLevelStabTask>(name, timeout, first, std::move(clock));
    case UserQACheck:
        return std::make_unique<UserQACheckTask>(name, timeout, first, std::move(clock));
    case VerifyFailedQA:
        return std::make_unique<VerifyFailedQADisplays>(name, timeout, first, std::move(clock));
    default:
        return nullptr;
    }
}

bool TaskFactory::isAvailable(int type)
{
    return build(type, QString(), 0, 0, nullptr) != nullptr;
}

std::unique_ptr<Task> TaskFactory::create(int type, const QString& name, qint64 timeout, qint64 first,
                                          std::shared_ptr<const Clock> clock)
{
    std::unique_ptr<Task> task = build(type, name, timeout, first, std::move(clock));
    if (!task) {
        const QString cls = className(type);
        if (cls.isEmpty())
            qWarning().noquote() << "TaskFactory::create - no task of type" << type << "for" << name;
        else
            qWarning().noquote() << "TaskFactory::create - task type" << type << "(" + cls + ") for" << name
                                 << "is not available in this build";
        return nullptr;
    }
    qDebug().noquote() << "create task" << type << name;
    connectTypeSignals(type, task.get());
    connectCommonSignals(task.get());
    return task;
}

void TaskFactory::connectTypeSignals(int type, Task* task)
{
    LUTLoaderTrayInterface* const tray = trayIconInstance();
    switch (type) {
    case LUTReload:
        connectLUTReload(static_cast<LUTReloadTask*>(task), tray);
        break;
    case EnergyMode:
        connectEnergyMode(static_cast<EnergyModeTask*>(task), tray);
        break;
    case VideoAdapterCheck:
        if (VideoAdapterChangeInfoWindowInterface* const window = videoAdapterWindow())
            QObject::connect(
                static_cast<VideoAdapterCheckTask*>(task), &VideoAdapterCheckTask::signalShowDialog, window,
                &VideoAdapterChangeInfoWindowInterface::slotDisplayChangeAdapterDlg, Qt::QueuedConnection);
        break;
    case SynchronizeDatabase:
        connectSynchronization(static_cast<SynchronizeDatabaseTask*>(task), tray);
        break;
    case AutoWhiteLevelStab:
        if (tray) {
            auto* stab = static_cast<AutoWhiteLevelStabTask*>(task);
            QObject::connect(stab, &AutoWhiteLevelStabTask::signalIsLUTLoad, tray,
                             qOverload<int>(&LUTLoaderTrayInterface::slotIsLUTLoad), Qt::QueuedConnection);
            QObject::connect(tray, &LUTLoaderTrayInterface::signalIsLUTLoad, stab,
                             &AutoWhiteLevelStabTask::slotIsLUTLoad, Qt::QueuedConnection);
        }
        break;
    case VerifyFailedQA:
        if (VideoAdapterChangeInfoWindowInterface* const window = videoAdapterWindow()) {
            auto* const verify = static_cast<VerifyFailedQADisplays*>(task);
            QObject::connect(verify, &VerifyFailedQADisplays::signalShowDialog, window,
                             &VideoAdapterChangeInfoWindowInterface::slotFailedQADisplaysDlg,
                             Qt::QueuedConnection);
            QObject::connect(window, &VideoAdapterChangeInfoWindowInterface::signalDialogFinished, verify,
                             &VerifyFailedQADisplays::slotDialogFinished, Qt::QueuedConnection);
        }
        break;
    case UserQACheck:
        if (TaskNotificationWindowInterface* const window = taskNotificationWindow()) {
            auto* const check = static_cast<UserQACheckTask*>(task);
            QObject::connect(window, &TaskNotificationWindowInterface::startTasks, check,
                             &UserQACheckTask::startTasks);
            QObject::connect(window, &TaskNotificationWindowInterface::rejected, check, &Task::finished);
            // An accepted notification ends the run as well: the answer is in.
            QObject::connect(window, &TaskNotificationWindowInterface::finished, check, &Task::finished,
                             Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    if (type == UpdateLUTsAfterUnlock && tray != nullptr) {
        auto* const reload = static_cast<UpdateLUTsAfterUnlockTask*>(task);
        QObject::connect(reload, &UpdateLUTsAfterUnlockTask::signalReloadAllLUTs, tray,
                         &LUTLoaderTrayInterface::slotReloadAllLUTs, Qt::QueuedConnection);
        QObject::connect(tray, &LUTLoaderTrayInterface::signalAllLUTsReloaded, reload, &Task::finished,
                         Qt::QueuedConnection);
    }
}

void TaskFactory::connectLUTReload(LUTReloadTask* task, LUTLoaderTrayInterface* tray)
{
    // The tray's answers are connected by the task itself, for the length of one run.
    task->setTray(tray);
    if (tray != nullptr)
        QObject::connect(task, &LUTReloadTask::reloadLUT, tray, &LUTLoaderTrayInterface::loadSingleLUT,
                         Qt::QueuedConnection);
}

void TaskFactory::connectEnergyMode(EnergyModeTask* task, LUTLoaderTrayInterface* tray)
{
    // The task ignores answers it did not ask for, so a window closed by a session
    // lock, or a power switch of the menu, cannot end a later run.
    if (EnergyModeNotificationWindowInterface* const window = energyWindow()) {
        QObject::connect(task, &EnergyModeTask::signalStartEnergyWindow, window,
                         &EnergyModeNotificationWindowInterface::verifyAndShow, Qt::QueuedConnection);
        QObject::connect(window, &QDialog::accepted, task, &EnergyModeTask::windowAccepted,
                         Qt::QueuedConnection);
        QObject::connect(window, &QDialog::rejected, task, &EnergyModeTask::windowRejected,
                         Qt::QueuedConnection);
    }
    if (tray != nullptr) {
        QObject::connect(task, &EnergyModeTask::signalTurnOnDisplays, tray,
                         &LUTLoaderTrayInterface::slotTurnOnDisplays, Qt::QueuedConnection);
        QObject::connect(task, &EnergyModeTask::signalTurnOffDisplays, tray,
                         &LUTLoaderTrayInterface::slotTurnOffDisplays, Qt::QueuedConnection);
        QObject::connect(tray, &LUTLoaderTrayInterface::signalPowerControlFinished, task,
                         &EnergyModeTask::powerControlFinished, Qt::QueuedConnection);
    }
}

void TaskFactory::connectSynchronization(SynchronizeDatabaseTask* task, LUTLoaderTrayInterface* tray)
{
    task->setIconsPrefix(iconsPrefix());
    if (tray == nullptr)
        return;
    QObject::connect(task, &SynchronizeDatabaseTask::signalTrayIconLoad, tray,
                     &LUTLoaderTrayInterface::slotLoadIcon, Qt::QueuedConnection);
    QObject::connect(task, &SynchronizeDatabaseTask::signalTranslatorEnable, tray,
                     &LUTLoaderTrayInterface::slotTranslatorEnable, Qt::QueuedConnection);
    QObject::connect(task, &SynchronizeDatabaseTask::signalRetranslate, tray,
                     &LUTLoaderTrayInterface::slotRetranslate, Qt::QueuedConnection);
}

void TaskFactory::connectCommonSignals(Task* task)
{
    qDebug() << "create task. task=" << task;
    if (LUTLoaderTrayInterface* const tray = trayIconInstance()) {
        QObject::connect(task, &Task::disableContextMenu, tray, &LUTLoaderTrayInterface::disableContextMenu,
                         Qt::QueuedConnection);
        QObject::connect(task, &Task::enableContextMenu, tray, &LUTLoaderTrayInterface::enableContextMenu,
                         Qt::QueuedConnection);
        QObject::connect(
            task, &Task::refreshContextMenu, tray, [tray] { tray->refreshDisplayInfo(false); },
            Qt::QueuedConnection);
        QObject::connect(task, &Task::showMessage, tray, &LUTLoaderTrayInterface::slotShowMessage,
                         Qt::QueuedConnection);
        QObject::connect(task, &Task::signalInfo, tray, &LUTLoaderTrayInterface::slotInfo,
                         Qt::QueuedConnection);
        QObject::connect(tray, &LUTLoaderTrayInterface::signalToTask, task, &Task::slotTaskFinish);
    }
    if (TaskNotificationWindowInterface* const window = taskNotificationWindow()) {
        QObject::connect(task, &Task::notifyAboutQATasks, window,
                         &TaskNotificationWindowInterface::showQANotification, Qt::QueuedConnection);
        QObject::connect(task, &Task::notifyAboutUserTasks, window,
                         &TaskNotificationWindowInterface::showUserNotification, Qt::QueuedConnection);
    }
    if (DialogUpdateInterface* const dialog = dialogUpdate())
        QObject::connect(task, &Task::showUpdateWindow, dialog, &DialogUpdateInterface::slotShowDialog,
                         Qt::QueuedConnection);
    // The energy window's rejection is not wired to every task: it would end whatever
    // task happens to run when the user dismisses the window. Only the energy-mode
    // task, which waits for that answer, gets it (with its own wiring).
}

void TaskFactory::free(Task* task)
{
    if (task == nullptr)
        return;
    // A thread that has ended serves no events any more: its tasks go at once.
    QThread* const owner = task->thread();
    if (owner == nullptr || owner == QThread::currentThread() || !owner->isRunning())
        delete task;
    else
        task->deleteLater();
}

void TaskFactory::attachNotificationWindowInst(TaskNotificationWindowInterface* window)
{
    set(&Receivers::notificationWindow, window);
    connectNotificationWindowToTray();
}

void TaskFactory::attachTrayIconInstance(LUTLoaderTrayInterface* tray)
{
    set(&Receivers::tray, tray);
    connectNotificationWindowToTray();
}

void TaskFactory::connectNotificationWindowToTray()
{
    TaskNotificationWindowInterface* const window = taskNotificationWindow();
    LUTLoaderTrayInterface* const tray = trayIconInstance();
    if (window == nullptr || tray == nullptr)
        return;
    // Attaching again must not double every message.
    const auto unique = Qt::UniqueConnection;
    QObject::connect(window, &TaskNotificationWindowInterface::signalActionsEnabled, tray,
                     &LUTLoaderTrayInterface::enableActions, unique);
    QObject::connect(window, &TaskNotificationWindowInterface::signalShowMessage, tray,
                     &LUTLoaderTrayInterface::slotShowMessage,
                     Qt::ConnectionType(Qt::QueuedConnection | unique));
    QObject::connect(tray, &LUTLoaderTrayInterface::signalMessageFinished, window,
                     &TaskNotificationWindowInterface::slotMessageFinished,
                     Qt::ConnectionType(Qt::QueuedConnection | unique));
    QObject::connect(window, &TaskNotificationWindowInterface::signalTurnOnDisplays, tray,
                     &LUTLoaderTrayInterface::slotTurnOnDisplays,
                     Qt::ConnectionType(Qt::QueuedConnection | unique));
}

void TaskFactory::attachEnergyNotificationWindowInst(EnergyModeNotificationWindowInterface* window)
{
    set(&Receivers::energyWindow, window);
}

void TaskFactory::attachDialogUpdate(DialogUpdateInterface* dialog)
{
    set(&Receivers::dialogUpdate, dialog);
}

void TaskFactory::attachVideoAdapterWindowInst(VideoAdapterChangeInfoWindowInterface* window)
{
    set(&Receivers::videoAdapterWindow, window);
}

void TaskFactory::setIconsPrefix(const QString& prefix)
{
    Receivers& r = receivers();
    const QMutexLocker locker(&r.mutex);
    r.iconsPrefix = prefix;
}

QString TaskFactory::iconsPrefix()
{
    Receivers& r = receivers();
    const QMutexLocker locker(&r.mutex);
    return r.iconsPrefix;
}

TaskNotificationWindowInterface* TaskFactory::taskNotificationWindow()
{
    return get(&Receivers::notificationWindow);
}

EnergyModeNotificationWindowInterface* TaskFactory::energyWindow()
{
    return get(&Receivers::energyWindow);
}

LUTLoaderTrayInterface* TaskFactory::trayIconInstance()
{
    return get(&Receivers::tray);
}

DialogUpdateInterface* TaskFactory::dialogUpdate()
{
    return get(&Receivers::dialogUpdate);
}

VideoAdapterChangeInfoWindowInterface* TaskFactory::videoAdapterWindow()
{
    return get(&Receivers::videoAdapterWindow);
}
