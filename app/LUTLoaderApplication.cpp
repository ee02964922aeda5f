#include "app/LUTLoaderApplication.h"

#include "app/AppInitialization.h"
#include "app/AppPreferences.h"
#include "app/FirstRunSettings.h"
#include "app/Logging.h"
#include "app/OrvantaProcess.h"
#include "app/PipeAppConnectorClient.h"
#include "app/PipeAppConnectorServer.h"
#include "app/WindowsEventListener.h"
#include "app/tray/EnergyModeNotificationWindow.h"
#include "app/tray/LUTLoaderTray.h"
#include "app/tray/TaskNotificationWindow.h"
#include "app/tray/VideoAdapterChangeInfoWindow.h"
#include "db/DB.h"
#include "platform/CrashHandler.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimControlServer.h"
#include "platform/sim/SimWorkstation.h"
#include "qa/RegulationList.h"
#include "sensors/SensorFactory.h"
#include "settings/DataDirectory.h"
#include "settings/QSettingsManager.h"
#include "tasks/EnergyModeNotificationWindowInterface.h"
#include "tasks/FastClock.h"
#include "tasks/OffsetClock.h"
#include "tasks/SystemClock.h"
#include "tasks/TaskFactory.h"
#include "tasks/TaskNotificationWindowInterface.h"
#include "tasks/TaskRunner.h"
#include "tasks/TaskScheduler.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTimer>

#include <vector>

namespace {

const QString kLogFileName = QStringLiteral("logb.qlog");

void logSimulatedWorkstation(const SimWorkstation& workstation)
{
    qInfo().noquote() << "simulated workstation" << workstation.name();
    for (const SimDisplay& display : workstation.displays())
        qInfo().noquote() << " display" << display.output << "on card" << display.cardId
                          << (display.connected ? "connected" : "disconnected");
}

// Objects of the tray, the task engine and the dialogs join here as they are built.
void skipped(const char* step, const char* what)
{
    qDebug() << step << what << "not available in this build, skipped";
}

} // namespace

LUTLoaderApplication::LUTLoaderApplication(int& argc, char** argv, const AgentOptions& options)
    : SingleApplication(argc, argv, instanceKey()), m_options(options)
{
    qDebug() << "LutLoader start...";
    if (isRunning()) {
        // The running agent owns the log, the hub and the database; this one only leaves.
        qDebug() << "another LutLoader runs in this session";
        return;
    }
    init();
    m_clock = makeClock(options);
    AppPreferences::initDatabase();
    connect(this, &QCoreApplication::aboutToQuit, this, &LUTLoaderApplication::cleanAll);
    CrashHandler::install(QDir(DataDirectory::path()).filePath(kLogFileName));
    setWindowListener();
    // The simulated session is opened to its control tool only once the listener hears it.
    if (SimWorkstation* workstation = Platform::workstation()) {
        logSimulatedWorkstation(*workstation);
        m_simControl = std::make_unique<SimControlServer>(workstation);
        m_simControl->listen();
    }
}

LUTLoaderApplication::~LUTLoaderApplication()
{
    m_windowListener.reset();
    m_simControl.reset();
    CrashHandler::uninstall();
}

std::shared_ptr<Clock> LUTLoaderApplication::makeClock(const AgentOptions& options)
{
    if (options.clockRate == 1 && options.clockStart == 0)
        return SystemClock::shared();
    const qint64 start = options.clockStart > 0 ? options.clockStart : QDateTime::currentSecsSinceEpoch();
    qInfo().noquote() << "task clock runs" << options.clockRate << "times faster from"
                      << QDateTime::fromSecsSinceEpoch(start).toString(Qt::ISODate);
    return std::make_shared<FastClock>(options.clockRate, start);
}

QString LUTLoaderApplication::instanceKey()
{
    return AppInitialization::applicationName() + QStringLiteral("LUTLoader");
}

QString LUTLoaderApplication::pipeServerName(const QString& applicationName)
{
    QString name = applicationName;
    return name.replace(QLatin1Char(' '), QLatin1Char('_')) + QStringLiteral("_pipeAppConnecting");
}

int LUTLoaderApplication::reminderPeriodSeconds(const QString& remindMinutes)
{
    bool ok = false;
    const int minutes = remindMinutes.trimmed().toInt(&ok);
    return ok && minutes > 0 ? minutes * 60 : 300;
}

void LUTLoaderApplication::init()
{
    skipped("init", "synchronisation protocol");
    skipped("init", "application style");

    // Put our own plugins first but keep the system's: the SQLite driver and the
    // TLS backend live there.
    const QString plugins = QCoreApplication::applicationDirPath() + QStringLiteral("/plugins");
#if defined(Q_OS_WIN)
    QCoreApplication::setLibraryPaths({plugins});
#else
    QStringList paths = QCoreApplication::libraryPaths();
    paths.removeAll(plugins);
    paths.prepend(plugins);
    QCoreApplication::setLibraryPaths(paths);
#endif
    qWarning() << "QCoreApplication::applicationDirPath() + \"/plugins\"" << plugins;

    const QString logFolder = initSettings();
    Logging::setEcho(m_options.echo);
    Logging::prepareMessageOutput(logFolder, kLogFileName, 100, QtDebugMsg);
    qDebug() << "LutLoader start..."
             << "platform" << Platform::backend().name() << "data directory" << DataDirectory::path();
    PipeAppConnectorServer::setServerKey(pipeServerName(AppInitialization::applicationName()));
    PipeAppConnectorServer::start();
    registerTypes();
    AppInitialization::checkDB();
}

QString LUTLoaderApplication::initSettings()
{
    setOrganizationName(
        AppInitialization::productString(QStringLiteral("CompanyName"), QStringLiteral("Kaldo")));
    setApplicationName(
        AppInitialization::productString(QStringLiteral("ApplicationNamePath"), QStringLiteral("Orvanta")));
    QString mainApplication =
        QCoreApplication::applicationDirPath() + QLatin1Char('/') +
        AppInitialization::productString(QStringLiteral("ApplicationFileName"), QStringLiteral("Orvanta"));
#if defined(Q_OS_WIN)
    mainApplication += QStringLiteral(".exe");
#endif
    OrvantaProcess::setProgramPath(mainApplication);
    qDebug() << "currentDirectory" << QDir::currentPath();
    DB::setPath(QSettingsManager::GetDataBasePath());
    return DataDirectory::path();
}

void LUTLoaderApplication::registerTypes()
{
    qRegisterMetaType<std::vector<int>>("std::vector<int>");
    qRegisterMetaType<QProcess::ExitStatus>("QProcess::ExitStatus");
    qRegisterMetaType<QProcess::ProcessError>("QProcess::ProcessError");
    AppInitialization::registertypes();
}

void LUTLoaderApplication::setWindowListener()
{
    m_windowListener = std::make_shared<WindowsEventListener>();
    connect(m_windowListener.get(), &WindowsEventListener::signalQuit, this, [this] {
        // Start-up serves events while it detects displays; quit() does nothing
        // until the event loop runs, so the request is remembered for start().
        m_quitRequested = true;
        QCoreApplication::quit();
    });
    logOsEvents();
}

// Until the task runner listens, the agent's log shows what the session reports.
void LUTLoaderApplication::logOsEvents()
{
    WindowsEventListener* listener = m_windowListener.get();
    connect(listener, &WindowsEventListener::signalSessionLock, this, [] { qDebug() << "session locked"; });
    connect(listener, &WindowsEventListener::signalSessionUnlock, this,
            [] { qDebug() << "session unlocked"; });
    connect(listener, &WindowsEventListener::signalDisplayWakeUp, this,
            [] { qDebug() << "displays woke up"; });
    connect(listener, &WindowsEventListener::signalDisplayConnected, this,
            [] { qDebug() << "a display was connected"; });
    connect(listener, &WindowsEventListener::signalDisplayDisconnected, this,
            [] { qDebug() << "a display was disconnected"; });
    connect(listener, &WindowsEventListener::signalPrepareForQuit, this,
            [] { qDebug() << "the session is ending"; });
}

int LUTLoaderApplication::runMainLut()
{
    AppPreferences::set(QStringLiteral("StartTime"), QString::number(m_clock->now()));
    // Before the tray builds display objects, which ask for their built-in sensors.
    SensorFactory::registerAll();
    RegulationList::RefreshRegulationList(QStringLiteral(":rc/regulations"));
    skipped("runMainLut", "DDC/CI service pipe");
    setQuitOnLastWindowClosed(false);
    createThreadsAndDialogs();
    connect(this, &QCoreApplication::aboutToQuit, this, &LUTLoaderApplication::tryToQuit,
            Qt::DirectConnection);
    if (m_options.runSeconds > 0)
        QTimer::singleShot(m_options.runSeconds * 1000, this, [] {
            qInfo() << "LutLoader quit: run time over";
            QCoreApplication::quit();
        });
    return start();
}

void LUTLoaderApplication::createThreadsAndDialogs()
{
    cleanAll();
    m_cleaned = false;
    m_tray = std::make_unique<LUTLoaderTray>();
    TaskFactory::attachTrayIconInstance(m_tray.get());
    m_notificationWindow = std::make_unique<TaskNotificationWindow>();
    TaskFactory::attachNotificationWindowInst(m_notificationWindow.get());
    m_energyWindow = std::make_unique<EnergyModeNotificationWindow>();
    TaskFactory::attachEnergyNotificationWindowInst(m_energyWindow.get());
    skipped("createThreadsAndDialogs", "update dialog");
    m_adapterWindow = std::make_unique<VideoAdapterChangeInfoWindow>();
    TaskFactory::attachVideoAdapterWindowInst(m_adapterWindow.get());
    const int reminder = reminderPeriodSeconds(AppPreferences::get(QStringLiteral("RemindMinutes")));
    qDebug() << "createThreadsAndDialogs reminder period" << reminder << "s";
    if (SimWorkstation* workstation = Platform::workstation()) {
        // A clock sped up from the command line runs the whole session; otherwise the
        // workstation's operator may move the real-time one.
        if (m_clock == SystemClock::shared())
            m_clock = simulatedClock(workstation);
        forwardSimulatedClicks(workstation, m_notificationWindow.get());
    }
    m_notificationWindow->setClock([clock = m_clock] { return clock->now(); });
    m_taskRunner = std::make_unique<TaskRunner>(m_clock);
    const int tasks =
        m_taskRunner->loadTasks(QStringLiteral(":rc/tasklist.xml"), QStringLiteral(":rc/"), reminder);
    qDebug() << "createThreadsAndDialogs" << tasks << "tasks queued";
    connectThreadsAndDialogs(m_taskRunner.get(), m_tray.get(), m_notificationWindow.get(),
                             m_energyWindow.get());
    m_scheduler = std::make_unique<TaskScheduler>(m_clock);
}

std::shared_ptr<Clock> LUTLoaderApplication::simulatedClock(SimWorkstation* workstation)
{
    // The workstation's operator moves its clock, so that a due date a quarter of an hour
    // away can be reached without waiting for it.
    auto clock = std::make_shared<OffsetClock>();
    clock->setOffsetSeconds(workstation->clockOffset());
    connect(workstation, &SimWorkstation::clockChanged, clock.get(), [clock = clock.get(), workstation] {
        clock->setOffsetSeconds(workstation->clockOffset());
        qDebug() << "simulated clock" << QDateTime::fromMSecsSinceEpoch(clock->msecsSinceEpoch());
    });
    return clock;
}

void LUTLoaderApplication::forwardSimulatedClicks(SimWorkstation* workstation, TaskNotificationWindow* window)
{
    // The operator answers the task notification in the user's place.
    connect(workstation, &SimWorkstation::notificationClicked, window,
            [window](const QString& button, int seconds) {
                qDebug().noquote() << "simulated click on the task notification:" << button << seconds;
                if (button == QLatin1String("perform"))
                    window->perform();
                else
                    window->remind(seconds);
            });
}

void LUTLoaderApplication::connectThreadsAndDialogs(TaskRunner* runner, LUTLoaderTray* tray,
                                                    TaskNotificationWindowInterface* notificationWindow,
                                                    EnergyModeNotificationWindowInterface* energyWindow)
{
    if (runner && tray)
        connect(runner, &TaskRunner::signalRetranslateCheck, tray, &LUTLoaderTray::slotRetranslate,
                Qt::QueuedConnection);
    if (tray && notificationWindow)
        connect(tray, &LUTLoaderTray::siganlChangeLanguage, notificationWindow,
                &TaskNotificationWindowInterface::slotRetranslateGUI, Qt::QueuedConnection);
    if (tray && energyWindow)
        connect(tray, &LUTLoaderTray::siganlChangeLanguage, energyWindow,
                &EnergyModeNotificationWindowInterface::slotRetranslateGUI, Qt::QueuedConnection);
    // Nobody answers a question behind a locked screen: the dialogs close, and the
    // countdown ends without switching the displays off.
    if (runner && notificationWindow)
        connect(runner, &TaskRunner::signalSessionLocked, notificationWindow,
                &TaskNotificationWindowInterface::slotStopNotificationWithoutRemind, Qt::QueuedConnection);
    if (runner && energyWindow)
        connect(runner, &TaskRunner::signalSessionLocked, energyWindow, &QDialog::reject,
                Qt::QueuedConnection);
}

int LUTLoaderApplication::start()
{
    runFirst();
    showIconAndStart(kTaskStartDelayMs);
    // The agent's own participant: it hears the main application through the hub.
    PipeAppConnectorClient* participant = PipeAppConnectorClient::instance();
    if (PipeAppConnectorServer* hub = PipeAppConnectorServer::instance())
        hub->keepParticipant(participant->key());
    connect(
        participant,
        qOverload<const QString&, const QString&, const QString&>(&PipeAppConnectorClient::messageReceived),
        this, [this](const QString& msg, const QString& param, const QString& key) {
            qDebug() << "pipe message" << msg << param << "from" << key;
            if (m_tray)
                m_tray->slotReciveValue(msg, param, key);
        });
    if (m_quitRequested) {
        qInfo() << "LutLoader quit: ending was requested during start-up";
        QTimer::singleShot(0, this, &QCoreApplication::quit);
    }
    return exec();
}

void LUTLoaderApplication::runFirst()
{
    qDebug().noquote() << "First run check, args:"
                       << QStringLiteral("(") + arguments().join(QStringLiteral(", ")) + QStringLiteral(")");
    FirstRunSettings::start(arguments());
}

void LUTLoaderApplication::showIconAndStart(int delayMs)
{
    if (m_scheduler) {
        qDebug() << "showIconAndStart: scheduler starts";
        m_scheduler->start();
    }
    // The delay lets the tray and the first LUT load settle before any background task runs.
    // A precise timer: a coarse one may fire a little early.
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this] {
        if (m_taskRunner) {
            qDebug() << "showIconAndStart: task runner starts";
            m_taskRunner->safeStart();
        }
    });
    if (!m_tray)
        return;
    // Without a notification area the agent goes on; the menu stays reachable through the tray object.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();
    else
        qWarning() << "showIconAndStart: no system tray available, the tray icon is not shown";
}

void LUTLoaderApplication::cleanAll()
{
    if (m_cleaned)
        return;
    m_cleaned = true;
    qDebug() << "cleanAll";
    // The tray goes first, so no new load starts while the runner ends its task.
    if (m_tray) {
        m_tray->hide();
        TaskFactory::attachTrayIconInstance(nullptr);
        m_tray.reset();
        qDebug() << "cleanAll: tray deleted";
    }
    // Up to ten seconds for the running task to end.
    if (TaskRunner::stopWithin(m_taskRunner, 10000))
        qWarning() << "cleanAll: the task runner did not stop in time";
    if (m_scheduler) {
        m_scheduler->stopSchedulingThread();
        // A thread still running cannot be destroyed: one stuck past the bound is left to end
        // with the process.
        if (!m_scheduler->wait(10000)) {
            qWarning() << "cleanAll: the scheduler did not stop in time";
            (void)m_scheduler.release();
        }
        m_scheduler.reset();
    }
    qDebug() << "threads are stopped";
    TaskFactory::attachNotificationWindowInst(nullptr);
    TaskFactory::attachEnergyNotificationWindowInst(nullptr);
    TaskFactory::attachVideoAdapterWindowInst(nullptr);
    m_notificationWindow.reset();
    m_energyWindow.reset();
    m_adapterWindow.reset();
    qDebug() << "cleanAll: dialogs deleted";
    AppPreferences::freeDatabase();
}

void LUTLoaderApplication::tryToQuit()
{
    cleanAll();
    qDebug() << "tryToQuit: pipe client";
    PipeAppConnectorClient::instance()->stop();
    PipeAppConnectorClient::destroyInstance();
    qDebug() << "tryToQuit: pipe server";
    PipeAppConnectorServer::stop();
    AppPreferences::freeDatabase();
    qDebug() << "tryToQuit: done";
}
