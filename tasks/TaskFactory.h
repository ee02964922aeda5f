#pragma once

#include <QString>

#include <memory>

class Clock;
class DialogUpdateInterface;
class EnergyModeTask;
class LUTReloadTask;
class SynchronizeDatabaseTask;
class EnergyModeNotificationWindowInterface;
class LUTLoaderTrayInterface;
class Task;
class TaskNotificationWindowInterface;
class VideoAdapterChangeInfoWindowInterface;

// Makes a task from its type number and wires its signals to the tray, the windows
// and the dialogs attached here. A receiver that is not attached is left out.
class TaskFactory
{
public:
    enum tasktype_t
    {
        NoTask = 0,
        UserQACheck = 1,
        SynchronizeDatabase = 2,
        SoftwareUpdate = 3,
        BackUp = 4,
        LUTReload = 5,
        EnergyMode = 6,
        DisplaysRefresh = 7,
        VideoAdapterCheck = 8,
        BackLight = 10,
        UpdateAmbient = 11,
        AmbientLight = 12,
        AutoWhiteLevelStab = 13,
        VerifyFailedQA = 14,
        DisplaysHoursRefresh = 15,
        ReCommDisplayType = 16,
        UpdateLUTsAfterUnlock = 17,
    };

    // No task for an unknown type or for a type whose class this build lacks (logged).
    static std::unique_ptr<Task> create(int type, const QString& name, qint64 timeout, qint64 first,
                                        std::shared_ptr<const Clock> clock = {});
    // Destroys the task in the thread it belongs to.
    static void free(Task* task);

    static void attachNotificationWindowInst(TaskNotificationWindowInterface* window);
    static void attachEnergyNotificationWindowInst(EnergyModeNotificationWindowInterface* window);
    static void attachTrayIconInstance(LUTLoaderTrayInterface* tray);
    static void attachDialogUpdate(DialogUpdateInterface* dialog);
    static void attachVideoAdapterWindowInst(VideoAdapterChangeInfoWindowInterface* window);
    static void setIconsPrefix(const QString& prefix);

    static TaskNotificationWindowInterface* taskNotificationWindow();
    static EnergyModeNotificationWindowInterface* energyWindow();
    static LUTLoaderTrayInterface* trayIconInstance();
    static DialogUpdateInterface* dialogUpdate();
    static VideoAdapterChangeInfoWindowInterface* videoAdapterWindow();
    static QString iconsPrefix();

    // Whether this build has the class of `type`.
    static bool isAvailable(int type);
    // The class name a type stands for, for log lines; empty for unknown types.
    static QString className(int type);

private:
    static std::unique_ptr<Task> build(int type, const QString& name, qint64 timeout, qint64 first,
                                       std::shared_ptr<const Clock> clock);
    static void connectTypeSignals(int type, Task* task);
    static void connectCommonSignals(Task* task);
    static void connectLUTReload(LUTReloadTask* task, LUTLoaderTrayInterface* tray);
    static void connectEnergyMode(EnergyModeTask* task, LUTLoaderTrayInterface* tray);
    static void connectSynchronization(SynchronizeDatabaseTask* task, LUTLoaderTrayInterface* tray);
    static void connectNotificationWindowToTray();
};
