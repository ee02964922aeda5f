#pragma once

#include "app/AgentOptions.h"
#include "app/SingleApplication.h"

#include <memory>

class EnergyModeNotificationWindow;
class EnergyModeNotificationWindowInterface;
class TaskNotificationWindowInterface;
class LUTLoaderTray;
class TaskNotificationWindow;
class VideoAdapterChangeInfoWindow;
class SimControlServer;
class SimWorkstation;
class Clock;
class TaskRunner;
class TaskScheduler;
class WindowsEventListener;

// The agent's application object: refuses a second instance, prepares settings,
// database, logging and the pipe hub, creates the long-lived objects of the agent,
// starts the background machinery after a fixed delay and takes everything down
// again in a fixed order when the event loop ends.
class LUTLoaderApplication : public SingleApplication
{
    Q_OBJECT
public:
    LUTLoaderApplication(int& argc, char** argv, const AgentOptions& options);
    ~LUTLoaderApplication() override;

    int runMainLut();

    void createThreadsAndDialogs();
    int start();
    void runFirst();
    void showIconAndStart(int delayMs);
    void init();
    QString initSettings();
    void registerTypes();
    void setWindowListener();

    void cleanAll();
    void tryToQuit();

    WindowsEventListener* windowListener() const { return m_windowListener.get(); }
    LUTLoaderTray* tray() const { return m_tray.get(); }
    TaskRunner* taskRunner() const { return m_taskRunner.get(); }
    TaskScheduler* scheduler() const { return m_scheduler.get(); }

    // The instance key: the product name followed by "LUTLoader".
    static QString instanceKey();
    // The hub's server name: the product name, blanks made "_", then "_pipeAppConnecting".
    static QString pipeServerName(const QString& applicationName);
    // The reminder period in seconds from the "RemindMinutes" preference (300 when empty).
    static int reminderPeriodSeconds(const QString& remindMinutes);

    static constexpr int kTaskStartDelayMs = 5000;

    // The connections between the task runner, the tray and the dialogs that the
    // application object makes once they all exist; a null receiver is skipped.
    static void connectThreadsAndDialogs(TaskRunner* runner, LUTLoaderTray* tray,
                                         TaskNotificationWindowInterface* notificationWindow,
                                         EnergyModeNotificationWindowInterface* energyWindow);

private:
    void logOsEvents();
    static std::shared_ptr<Clock> makeClock(const AgentOptions& options);
    static std::shared_ptr<Clock> simulatedClock(SimWorkstation* workstation);
    static void forwardSimulatedClicks(SimWorkstation* workstation, TaskNotificationWindow* window);

    AgentOptions m_options;
    // The time of the task engine: the wall clock, or on a simulated workstation a fast one or
    // the operator's.
    std::shared_ptr<Clock> m_clock;
    std::unique_ptr<TaskRunner> m_taskRunner;
    std::unique_ptr<TaskScheduler> m_scheduler;
    std::shared_ptr<WindowsEventListener> m_windowListener;
    std::unique_ptr<SimControlServer> m_simControl;
    std::unique_ptr<LUTLoaderTray> m_tray;
    std::unique_ptr<TaskNotificationWindow> m_notificationWindow;
    std::unique_ptr<EnergyModeNotificationWindow> m_energyWindow;
    std::unique_ptr<VideoAdapterChangeInfoWindow> m_adapterWindow;
    bool m_cleaned = true; // nothing to clean before createThreadsAndDialogs
    // A termination request that came while starting, before the event loop could end.
    bool m_quitRequested = false;
};
