#include "app/tray/LUTLoaderTray.h"

#include "app/AppInitialization.h"
#include "app/AppPreferences.h"
#include "app/LockKeys.h"
#include "app/OrvantaProcess.h"
#include "app/PipeAppConnectorClient.h"
#include "app/SingleApplication.h"
#include "app/WindowsEventListener.h"
#include "db/DBCurrentDisplays.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBIdleMemory.h"
#include "db/DBShutdownSafeSystem.h"
#include "db/DBUtils.h"
#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "lut/LUT.h"
#include "platform/GlobalHotKeys.h"
#include "platform/HeapRelease.h"
#include "platform/HidEnumerationScope.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "settings/QSettingsWithSharing.h"
#include "tasks/TaskRunner.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScopedValueRollback>
#include <QStyleHints>
#include <QThread>

#include <algorithm>
#include <utility>

namespace {

const QString kLutUpload = QStringLiteral("lutupload");
const QString kProgressTitle = QStringLiteral("Calibration applying");
constexpr int kLockRetryMs = 100;
constexpr int kLutStateCheckDelayMs = 2000;
constexpr int kForceActivationDelayMs = 100;
constexpr int kStartMessageDelayMs = 10000;
// The display refresh waits this many 100 ms turns for a calibration to end...
constexpr int kCalibrationWaitRetries = 100;
// ...and, when it does not, tries again this much later.
constexpr int kRefreshRetryMs = 30000;
// How long closing waits for a running task before it asks anyway.
constexpr int kQuitWaitTurns = 600;
// How long the tray's end waits for a LUT load in progress, so that no display is cut off in
// the middle of a write: a load is done well within it, and one still going after it waits on
// a display or driver that stopped answering. Like the task runner's, the bound keeps the
// agent's end within what a session's end would grant it.
constexpr int kLoadEndWaitMs = 10000;
// Not owned by anyone: destroying a running thread aborts the process. Kept where it can be
// found, so it is no leak.
LUTLoadingThread* g_leftBehindLoad = nullptr;

// A balloon is followed by a short pause with events served, so the icon can draw it.
void serveEvents()
{
    QCoreApplication::processEvents();
    QThread::msleep(1);
    QCoreApplication::processEvents();
}

} // namespace

LUTLoaderTray::LUTLoaderTray(PipeSender sender, QObject* parent)
    : LUTLoaderTrayInterface(parent), m_send(std::move(sender)),
      m_loader(std::make_unique<LUTLoadingThread>()),
      m_lutLock(std::make_unique<KaldoSharedMemory>(SHARED_MEMORY_KEY_LUT, "LUTLoaderTray", 1)),
      m_menu(std::make_unique<QMenu>()), m_calibrationWaitRetries(kCalibrationWaitRetries),
      m_applicationName(AppInitialization::applicationName())
{
    if (!m_send) {
        m_send = [](const QString& message, const QString& value) {
            PipeAppConnectorClient::instance()->sendMessage(message, value);
        };
    }
    createActions();
    grabHotKeys();
    setContextMenu(m_menu.get());
    setToolTip(helperTitle());
    setIcon(QIcon(QStringLiteral(":/rc/orvanta.ico")));
    qDebug() << "Loaded icon isNull=" << icon().isNull();

    m_refreshRetry.setSingleShot(true);
    connect(&m_refreshRetry, &QTimer::timeout, this, [this] { refreshDisplayInfo(m_refreshRetryFirstRun); });
    m_lockRetry.setSingleShot(true);
    m_lockRetry.setInterval(kLockRetryMs);
    connect(&m_lockRetry, &QTimer::timeout, this, &LUTLoaderTray::startNextLoad);

    refreshDisplayInfo(true);

    connect(m_loader.get(), &LUTLoadingThread::signalStartLUTUpload, this, &LUTLoaderTray::StartLUTUpload);
    connect(m_loader.get(), &LUTLoadingThread::signalFinishLUTUpload, this, &LUTLoaderTray::FinishLUTUpload);
    connect(m_loader.get(), &LUTLoadingThread::signalFailLUTUpload, this, &LUTLoaderTray::FailLUTUpload);
    connect(m_loader.get(), &LUTLoadingThread::signalLUTUploadProgress, this,
            &LUTLoaderTray::LUTUploadProgress);
    connect(m_loader.get(), &LUTLoadingThread::signalLutThreadFinished, this,
            &LUTLoaderTray::slotFinishLoadLut);

    slotRetranslate();

    if (AppPreferences::get(QStringLiteral("lutFirstRun")) != QLatin1String("1")) {
        connect(this, &QSystemTrayIcon::messageClicked, this, &LUTLoaderTray::slotShowAboutUSDialog);
        QTimer::singleShot(kStartMessageDelayMs, this, &LUTLoaderTray::slotShowStartMessage);
        AppPreferences::set(QStringLiteral("lutFirstRun"), QStringLiteral("1"));
    }

    m_clickTimer.setSingleShot(true);
    connect(&m_clickTimer, &QTimer::timeout, this, &LUTLoaderTray::signalLeftClick);
    connect(this, &LUTLoaderTray::signalLeftClick, this, &LUTLoaderTray::slotShowContextMenu);
    connect(this, &LUTLoaderTray::signalDoubleClick, this, &LUTLoaderTray::startOrvanta);
    connect(this, &QSystemTrayIcon::activated, this, &LUTLoaderTray::slotActivated);
}

LUTLoaderTray::~LUTLoaderTray()
{
    if (!m_loader->wait(QDeadlineTimer(kLoadEndWaitMs))) {
        // Destroying a thread that still runs would abort the process; waiting longer may never end.
        qWarning().noquote() << "LUTLoaderTray - the LUT load of display"
                             << (m_running ? QString::number(m_running->displayId) : QStringLiteral("?"))
                             << "did not end within" << kLoadEndWaitMs
                             << "ms; it is left to end with the process";
        g_leftBehindLoad = m_loader.release();
    }
    if (m_lutLock->isHeld())
        m_lutLock->Unlock();
}

LUTLoadingThread* LUTLoaderTray::leftBehindLoad()
{
    return g_leftBehindLoad;
}

void LUTLoaderTray::createActions()
{
    const auto add = [this](const QString& text, void (LUTLoaderTray::*slot)()) {
        QAction* action = new QAction(text, this); // not the menu: clearing it would delete them
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_applyAll = add(tr("Apply calibration for all displays"), &LUTLoaderTray::loadAllLUT);
    m_cancelAll = add(tr("Cancel calibration for all displays"), &LUTLoaderTray::unloadAllLUT);
    m_refresh = new QAction(tr("Refresh the display’s information"), this);
    connect(m_refresh, &QAction::triggered, this, [this] { refreshDisplayInfo(false); });
    m_start = add(tr("Start %1").arg(m_applicationName), &LUTLoaderTray::startOrvanta);
    m_about = add(tr("About %1...").arg(m_applicationName), &LUTLoaderTray::slotShowAboutUSDialog);
    m_close = add(tr("Close"), &LUTLoaderTray::quit);
    m_applyAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F11")));
    m_applyAll->setShortcutContext(Qt::WidgetShortcut);
    m_cancelAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F12")));
    m_cancelAll->setShortcutContext(Qt::WidgetShortcut);
}

void LUTLoaderTray::grabHotKeys()
{
    m_hotKeys = Platform::backend().createGlobalHotKeys(this);
    if (!m_hotKeys)
        return;
    if (!m_hotKeys->unavailableReason().isEmpty()) {
        qDebug() << "LUTLoaderTray: hot keys unavailable -" << m_hotKeys->unavailableReason();
        return;
    }
    for (QAction* action : {m_applyAll, m_cancelAll}) {
        if (!m_hotKeys->grab(action->shortcut()))
            qDebug() << "LUTLoaderTray: hot key not taken" << action->shortcut().toString();
    }
    connect(m_hotKeys.get(), &GlobalHotKeys::activated, this, [this](const QKeySequence& keys) {
        qDebug() << "LUTLoaderTray: hot key" << keys.toString();
        for (QAction* action : {m_applyAll, m_cancelAll}) {
            if (action->shortcut() == keys && action->isEnabled())
                action->trigger();
        }
    });
}

QString LUTLoaderTray::helperTitle() const
{
    return m_applicationName + QLatin1Char(' ') + tr("Helper");
}

QAction* LUTLoaderTray::displayAction(int displayId) const
{
    for (const QPointer<QAction>& action : m_displayActions) {
        if (action && action->property(DisplayIdProperty).toInt() == displayId)
            return action;
    }
    return nullptr;
}

void LUTLoaderTray::GetDisplayActionsList(std::vector<QAction*>& actions)
{
    for (const QPointer<QAction>& action : m_displayActions) {
        if (action)
            actions.push_back(action);
    }
}

// ---- the menu ---------------------------------------------------------------------

void LUTLoaderTray::refreshDisplayInfo(bool firstRun)
{
    qDebug() << "LUTLoaderTray::refreshDisplayInfo() start, firstrun =" << firstRun;
    // The lock wait and the re-detection both serve events, so a second request can arrive
    // inside the first.
    if (m_refreshState == Refresh::WaitingForCalibration) {
        qDebug() << "LUTLoaderTray::refreshDisplayInfo() already waiting for the calibration lock";
        return;
    }
    if (m_refreshState == Refresh::Rebuilding) {
        // The rebuild's owner holds the calibration lock: waiting for it here would wait on
        // ourselves while the display list stays locked to the loading thread. The displays may
        // have changed after the rebuild listed them, so one more refresh follows it.
        qDebug() << "LUTLoaderTray::refreshDisplayInfo() inside a refresh, once more afterwards";
        m_refreshAgain = true;
        return;
    }
    // Re-detecting probes the displays over DDC/CI and rewrites their ramps: never
    // while the main application calibrates or measures one of them.
    // At start-up the tray does not wait: the retry builds the menu once the calibration ended.
    KaldoSharedMemory calibration(SHARED_MEMORY_KEY_CALIBRATION, "LUTLoaderTray::refreshDisplayInfo",
                                  firstRun ? 1 : m_calibrationWaitRetries);
    m_refreshState = Refresh::WaitingForCalibration;
    const bool locked = calibration.Lock();
    m_refreshState = Refresh::Idle;
    if (!locked) {
        qWarning() << "LUTLoaderTray::refreshDisplayInfo() calibration in progress, refresh skipped; "
                      "next try in"
                   << kRefreshRetryMs / 1000 << "s";
        m_refreshRetryFirstRun = m_refreshRetryFirstRun || firstRun;
        m_refreshRetry.start(kRefreshRetryMs);
        return;
    }
    m_refreshRetry.stop();
    m_refreshRetryFirstRun = false;
    refreshContextMenu();
    qDebug() << "LUTLoaderTray::refreshDisplayInfo() end";
}

void LUTLoaderTray::setCalibrationWaitRetries(int retries)
{
    m_calibrationWaitRetries = std::max(1, retries);
}

void LUTLoaderTray::refreshContextMenu()
{
    {
        // Whoever rebuilds the menu holds the calibration lock (a refresh, or the periodic
        // reload's task, which waits for this rebuild to end).
        const QScopedValueRollback rebuilding(m_refreshState, Refresh::Rebuilding);
        rebuildContextMenu();
    }
    // A refresh asked for meanwhile follows once the outermost rebuild has ended.
    if (m_refreshState == Refresh::Idle && std::exchange(m_refreshAgain, false))
        QMetaObject::invokeMethod(
            this, [this] { refreshDisplayInfo(false); }, Qt::QueuedConnection);
}

void LUTLoaderTray::rebuildContextMenu()
{
    qDebug() << "LUTLoaderTray::refreshContextMenu() start";
    CurrentDisplays::NonCachedRefresh();
    DBUtils::RefreshDisplaysInfo();
    LUTLoadingThread::clearDisplays();

    for (const QPointer<QAction>& action : m_displayActions)
        delete action.data();
    m_displayActions.clear();
    m_menu->clear();

    QList<int> forced;
    // Each display is asked for its built-in sensor: the HID devices are listed once for all.
    const HidEnumerationScope hidListedOnce;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i) {
        // Detecting hundreds of displays takes long; an ending program does not wait for it.
        if (WindowsEventListener::quitRequested()) {
            qInfo() << "LUTLoaderTray::refreshContextMenu() ending requested, displays from" << i
                    << "skipped";
            break;
        }
        const int id = CurrentDisplays::DisplayId(i);
        const DisplayInfo& info = CurrentDisplays::Display(i);
        const QString name = info.name().isEmpty() ? info.deviceName() : info.name();
        QAction* action = new QAction(name, this);
        action->setCheckable(true);
        action->setProperty(DisplayIdProperty, id);
        connect(action, &QAction::toggled, this, &LUTLoaderTray::publishChecks);
        connect(action, &QAction::toggled, this, qOverload<bool>(&LUTLoaderTray::loadLUT));
        m_displayActions.emplace_back(action);
        m_menu->addAction(action);
        LUTLoadingThread::addDisplay(id);
        DBCurrentDisplays().SetIsBackgroundCalibrationEnabled(id, CurrentDisplays::internalSensor(id));
        QTimer::singleShot(kLutStateCheckDelayMs, this, [this, id] { checkDisplayLutState(id); });
        if (DBDisplays().getDisplayInfo(id, kLutUpload) == QLatin1String("true"))
            forced << id;
    }
    m_menu->addSeparator();
    for (QAction* action : {m_applyAll, m_cancelAll, m_refresh})
        m_menu->addAction(action);
    m_menu->addSeparator();
    for (QAction* action : {m_start, m_about})
        m_menu->addAction(action);
    m_menu->addSeparator();
    m_menu->addAction(m_close);

    refreshDisplaysDisabling();
    publishChecks();
    for (const int id : forced)
        forceReload(id);
    qDebug() << "LUTLoaderTray::refreshContextMenu() end";
}

void LUTLoaderTray::forceReload(int displayId)
{
    qDebug() << "force LUT uploading for displayid:" << displayId;
    m_loader->forceLUTUploadInFuture(displayId);
    QTimer::singleShot(kForceActivationDelayMs, this, [this, displayId] {
        m_loader->forceLutActivation(displayId);
        QAction* action = displayAction(displayId);
        if (action && m_running && m_running->displayId == displayId) {
            // Its entry is disabled while it loads, and that load may have begun before the
            // display came back: the forced one follows it.
            loadLUT(displayId, true);
        } else if (action && action->isEnabled() && !action->isChecked())
            action->setChecked(true); // toggled → the load joins the queue
        else if (!action || !action->isEnabled())
            qDebug() << "force LUT uploading: no usable menu entry for displayid:" << displayId;
    });
}

// A calibration cut off by a crash or power loss left the card with a half-written table.
void LUTLoaderTray::checkDisplayLutState(int displayId)
{
    DBShutdownSafeSystem safe;
    if (!safe.isCalibrateFailed(displayId))
        return;
    qDebug() << "LUTLoaderTray::checkDisplayLutState interrupted calibration on displayid:" << displayId;
    const std::shared_ptr<BaseDisplay> display = DisplayList::instance().GetDisplayInstanceById(displayId);
    LUT* lut = display ? display->lut() : nullptr;
    const luts_t table = DBDisplayCurrentLUT().readEntryByDisplayId(displayId);
    if (lut && !table.empty() && !lut->UploadLUT(table))
        qWarning() << "LUTLoaderTray::checkDisplayLutState restoring the LUT failed for" << displayId;
    safe.removeTask(displayId);
}

void LUTLoaderTray::refreshDisplaysDisabling()
{
    for (const QPointer<QAction>& action : m_displayActions) {
        if (!action)
            continue;
        const int id = action->property(DisplayIdProperty).toInt();
        const bool busy = m_running && m_running->displayId == id;
        action->setEnabled(!busy && LUTLoadingThread::isLUTAvailable(id, true));
        setActionChecked(action, LUTLoadingThread::isDisplayCalibrated(id));
    }
}

void LUTLoaderTray::setActionChecked(QAction* action, bool checked)
{
    {
        const QSignalBlocker blocker(action);
        action->setChecked(checked);
    }
    publishChecks();
}

void LUTLoaderTray::publishChecks()
{
    std::vector<int> loaded;
    for (const QPointer<QAction>& action : m_displayActions) {
        if (action && action->isChecked())
            loaded.push_back(action->property(DisplayIdProperty).toInt());
    }
    publishLoadedDisplays(std::move(loaded));
}

void LUTLoaderTray::storeLutUpload(int displayId, bool loaded)
{
    DBDisplays().setDisplayInfo(displayId, kLutUpload,
                                loaded ? QStringLiteral("true") : QStringLiteral("false"), false);
}

void LUTLoaderTray::slotReloadAllLUTs()
{
    qDebug() << "LUTLoaderTray::slotReloadAllLUTs()";
    refreshContextMenu();
    emit signalAllLUTsReloaded();
}

void LUTLoaderTray::enableContextMenu()
{
    m_contextMenuEnabled = true;
    m_menu->setEnabled(true);
}

void LUTLoaderTray::disableContextMenu()
{
    m_contextMenuEnabled = false;
    m_menu->setEnabled(false);
}

void LUTLoaderTray::enableActions(bool enable)
{
    qDebug() << "enableQuit - " << (enable ? "true" : "false");
    for (QAction* action : {m_close, m_applyAll, m_cancelAll, m_refresh, m_start})
        action->setEnabled(enable);
    if (enable) {
        refreshDisplaysDisabling();
        return;
    }
    for (const QPointer<QAction>& action : m_displayActions) {
        if (action)
            action->setEnabled(false);
    }
    m_about->setEnabled(false);
}

// ---- loads -----------------------------------------------------------------------

void LUTLoaderTray::loadAllLUT()
{
    for (const QPointer<QAction>& action : m_displayActions) {
        if (action && action->isEnabled() && !action->isChecked())
            action->toggle();
    }
}

void LUTLoaderTray::unloadAllLUT()
{
    for (const QPointer<QAction>& action : m_displayActions) {
        if (action && action->isEnabled() && action->isChecked())
            action->toggle();
    }
}

void LUTLoaderTray::forcedUnloadAllLUT()
{
    qDebug() << "forcedUnloadAllLUT. lutloading count" << m_loadingCount;
    for (const QPointer<QAction>& action : m_displayActions) {
        const int id = action ? action->property(DisplayIdProperty).toInt() : -1;
        if (action && LUTLoadingThread::isLUTAvailable(id, false))
            loadLUT(id, false);
    }
}

void LUTLoaderTray::loadLUT(bool load)
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action)
        return;
    const int id = action->property(DisplayIdProperty).toInt();
    if (!CurrentDisplays::IsDisplayConnected(id)) {
        qDebug() << "LUTLoaderTray::loadLUT display not connected:" << id;
        setActionChecked(action, !load);
        emit signalLUTApplyFinished();
        return;
    }
    loadLUT(id, load);
}

void LUTLoaderTray::loadLUT(int displayId, bool load)
{
    qDebug() << "LUTLoaderTray::loadLUT(int displayId, QAction *action)" << displayId << load;
    qDebug() << "LUTLoaderTray::loadLUT. lutLoadingCount_=" << m_loadingCount;
    // A request equal to one still waiting is the same work: done once, answered for each.
    for (PendingLoad& pending : m_queue) {
        if (pending.displayId == displayId && pending.load == load) {
            ++pending.answers;
            qDebug() << "LUTLoaderTray::loadLUT already queued for displayid:" << displayId;
            return;
        }
    }
    m_queue.push_back({displayId, load});
    emit loadLUTSignal();
    startNextLoad();
}

// The lock is tried without blocking the main thread: when the main application holds
// it, the queue tries again a little later and the tray keeps answering meanwhile.
bool LUTLoaderTray::takeLutLock()
{
    qDebug() << "LUTLoaderTray::loadLUT before shared";
    if (!m_lutLock->Lock()) {
        if (!m_lockWaitLogged)
            qDebug() << "LUTLoaderTray::loadLUT lut lock busy, waiting";
        m_lockWaitLogged = true;
        m_lockRetry.start();
        return false;
    }
    m_lockWaitLogged = false;
    qDebug() << "LUTLoaderTray::loadLUT after shared";
    return true;
}

void LUTLoaderTray::startNextLoad()
{
    // Waiting for the lock serves events, and a request or retry served there lands here
    // again: a second loop would start a load under the first one's lock and then pop a
    // request the first had already taken. The outer loop sees whatever arrived meanwhile.
    if (m_startingLoad)
        return;
    const QScopedValueRollback starting(m_startingLoad, true);
    while (!m_running && !m_queue.empty()) {
        if (m_loader->isRunning()) { // ends shortly after its finished signal
            m_lockRetry.start();
            return;
        }
        if (!takeLutLock())
            return;
        const PendingLoad request = m_queue.front();
        m_queue.pop_front();
        if (!CurrentDisplays::IsDisplayConnected(request.displayId)) {
            // Asked for before the display left; the menu rebuilt since has no entry for it.
            m_lutLock->Unlock();
            finishWithoutLoad(request, "LUTLoaderTray::loadLUT display not connected:");
            continue;
        }
        if (!LUTLoadingThread::isLUTAvailable(request.displayId, request.load)) {
            m_lutLock->Unlock();
            finishWithoutLoad(request, "LUTLoaderTray::loadLUT - no lut");
            continue;
        }
        ++m_loadingCount;
        m_running = request;
        refreshDisplaysDisabling();
        if (!m_loader->start(request.displayId, request.load)) {
            --m_loadingCount;
            m_running.reset();
            m_lutLock->Unlock();
            finishWithoutLoad(request, "LUTLoaderTray::loadLUT - loader refused the start");
        }
    }
}

void LUTLoaderTray::finishWithoutLoad(const PendingLoad& request, const char* reason)
{
    qDebug() << reason << request.displayId;
    if (QAction* action = displayAction(request.displayId))
        setActionChecked(action, LUTLoadingThread::isDisplayCalibrated(request.displayId));
    answer(request);
}

void LUTLoaderTray::answer(const PendingLoad& request)
{
    for (int i = 0; i < request.answers; ++i)
        emit signalLUTApplyFinished();
}

// A periodic reload is an ordinary activation: the loader reads the ramp back and writes
// only when another program changed it, so a calibrated screen never leaves its table.
void LUTLoaderTray::loadSingleLUT(int displayId)
{
    qDebug() << "LUTLoaderTray::loadSingleLUT displayid:" << displayId;
    if (!displayAction(displayId) || !CurrentDisplays::IsDisplayConnected(displayId)) {
        emit signalLUTApplyFinished();
        return;
    }
    loadLUT(displayId, true);
}

void LUTLoaderTray::slotFinishLoadLut()
{
    qDebug() << "LUTLoaderTray::slotFinishLoadLut";
    if (!m_running) {
        qWarning() << "LUTLoaderTray::slotFinishLoadLut without a load of the tray";
        return;
    }
    const PendingLoad request = *m_running;
    const int id = request.displayId;
    m_running.reset();
    setIcon(QIcon(QStringLiteral(":/rc/orvanta.ico")));
    // A menu rebuilt while the load ran emptied the display list; the load's own outcome holds.
    const bool calibrated = m_loader->lastCalibrated();
    DisplayList::instance().SetDisplayCalibrated(id, calibrated);
    // The menu may still hold a display that left while it was loaded: the refresh for the
    // unplug comes later. Either way there is no check mark to follow, and what was stored
    // stays, so that the display is loaded again when it comes back.
    QAction* const action = m_loader->lastDisplayLeft() ? nullptr : displayAction(id);
    if (action) {
        setActionChecked(action, calibrated);
        action->setEnabled(LUTLoadingThread::isLUTAvailable(id, true));
        storeLutUpload(id, calibrated);
    } else {
        qDebug() << "LUTLoaderTray::slotFinishLoadLut display left during the load, displayid:" << id;
    }
    m_send(QStringLiteral("LutLoadEnd"), QString::number(id));
    m_lutLock->Unlock();
    answer(request);
    --m_loadingCount;
    qDebug() << "LUTLoaderTray::slotFinishLoadLut. lutLoadingCount_=" << m_loadingCount;
    startNextLoad();
    if (!m_running && m_queue.empty()) {
        // The loads' tables and ramps are gone; the pages the tray's connection read for
        // them are not needed until the next load, minutes away.
        DBIdleMemory::release();
        HeapRelease::releaseFreePages();
    }
}

// ---- balloons ----------------------------------------------------------------------

void LUTLoaderTray::balloon(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
                            int ms)
{
    qDebug() << "LUTLoaderTray balloon" << title << text;
    if (isSystemTrayAvailable() && isVisible())
        showMessage(title, text, icon, ms);
    emit signalBalloon(title, text);
    serveEvents();
}

void LUTLoaderTray::StartLUTUpload(int size)
{
    m_uploadProgress = 0;
    m_uploadSize = size;
    showProgress();
}

void LUTLoaderTray::LUTUploadProgress()
{
    ++m_uploadProgress;
    showProgress();
}

void LUTLoaderTray::FinishLUTUpload()
{
    m_uploadSize = 0;
    showProgress();
}

void LUTLoaderTray::FailLUTUpload()
{
    m_uploadSize = 0;
    balloon(tr(qPrintable(kProgressTitle)), tr("Process Failed"), QSystemTrayIcon::Critical, 10);
}

void LUTLoaderTray::showProgress()
{
    if (m_uploadSize == 0) {
        m_shownPercent = -1;
        balloon(tr(qPrintable(kProgressTitle)), tr("Process Finished"), QSystemTrayIcon::NoIcon, 10);
        return;
    }
    const int percent = m_uploadProgress * 100 / m_uploadSize;
    if (percent == m_shownPercent)
        return;
    m_shownPercent = percent;
    balloon(tr(qPrintable(kProgressTitle)), tr("Process: %1 %").arg(percent), QSystemTrayIcon::Information,
            10000);
}

void LUTLoaderTray::slotShowStartMessage()
{
    const QString text = m_applicationName + QLatin1Char(' ') + tr("Helper") + QLatin1Char(' ') +
                         tr("is an important component of") + QLatin1Char(' ') + m_applicationName +
                         QLatin1Char(' ') + tr("software") + QStringLiteral("...");
    balloon(helperTitle(), text, QSystemTrayIcon::Information, 10000);
}

void LUTLoaderTray::slotInfo(StepsInfo info)
{
    QStringList lines;
    for (auto it = info.cbegin(); it != info.cend(); ++it)
        lines << it.key() + QStringLiteral(": ") + it.value();
    balloon(helperTitle(), lines.join(QLatin1Char('\n')), QSystemTrayIcon::Information, 10000);
}

// ---- pipe messages -------------------------------------------------------------------

void LUTLoaderTray::slotReciveValue(const QString& message, const QString& value, const QString& senderKey)
{
    qDebug() << "LUT LOader Application Connecter slotReciveValue name - " << message << " value - " << value;
    if (message == QLatin1String("displayId")) {
        const int id = value.toInt();
        for (const QPointer<QAction>& action : m_displayActions) {
            if (!action || action->property(DisplayIdProperty).toInt() != id || action->isChecked())
                continue;
            const QSignalBlocker blocker(action.data());
            action->setEnabled(true);
            action->setChecked(true);
            // The check mark follows the display list, so the list learns it too.
            DisplayList::instance().SetDisplayCalibrated(id, true);
            storeLutUpload(id, true);
        }
        publishChecks();
    } else if (message == QLatin1String("retranslate")) {
        qDebug() << "Retranslate - " << value;
        QSettingsWithSharing(QSettings::IniFormat, QSettings::SystemScope,
                             QCoreApplication::organizationName(), QCoreApplication::applicationName())
            .setValue(QStringLiteral("LutLanguage"), value);
        slotRetranslateLUT(value);
    } else if (message == QLatin1String("DisplayRefresh")) {
        qDebug() << "Refresh Displays in LUTLoader";
        CurrentDisplays::NonCachedRefresh();
    } else if (message == QLatin1String("lutdisable")) {
        const bool disable = value == QLatin1String("1");
        m_disablingKey = disable ? senderKey : QString();
        enableActions(!disable);
    } else if (message == QLatin1String("removed")) {
        if (!m_disablingKey.isEmpty() && value == m_disablingKey) {
            m_disablingKey.clear();
            enableActions(true);
        }
    } else if (message == QLatin1String("lutrestart")) {
        SingleApplication::SetRestart(true);
        QCoreApplication::exit(0);
    } else if (message == QLatin1String("lutchange")) {
        if (QAction* action = displayAction(value.toInt()))
            action->toggle();
    } else if (message == QLatin1String("is_locked")) {
        m_send(QStringLiteral("lock_status"), QString::number(TaskRunner::IsLocked() ? 1 : 0));
        qDebug() << "APP_CONNECTER_LUTLOADER_IS_LOCKED end";
    }
}

// ---- task requests -------------------------------------------------------------------

void LUTLoaderTray::slotIsLUTLoad(int displayId)
{
    emit signalIsLUTLoad(LUTLoadingThread::isDisplayCalibrated(displayId));
}

// The loader switches synchronously and logs what it could not reach; the task waits
// for this answer either way.
void LUTLoaderTray::slotTurnOnDisplays()
{
    m_loader->slotTurnOnDisplays();
    emit signalPowerControlFinished();
}

void LUTLoaderTray::slotTurnOffDisplays()
{
    m_loader->slotTurnOffDisplays();
    emit signalPowerControlFinished();
}

void LUTLoaderTray::slotShowMessage(QString text)
{
    // Not modal: a task waiting for the answer must not hold the main thread.
    auto* box = new QMessageBox(QMessageBox::Warning, m_applicationName, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, &LUTLoaderTray::signalMessageFinished);
    box->show();
}

void LUTLoaderTray::slotLoadIcon(const QString& icon)
{
    setIcon(QIcon(icon));
}

void LUTLoaderTray::slotTranslatorEnable(bool enable)
{
    qDebug() << "LUTLoaderTray::slotTranslatorEnable" << enable;
    if (enable)
        slotRetranslate();
}

void LUTLoaderTray::slotRetranslate()
{
    QString language = AppPreferences::get(QStringLiteral("Language"));
    if (language.isEmpty())
        language = QStringLiteral("English");
    slotRetranslateLUT(language);
}

// Only the English texts ship with this build; other languages fall back to them.
void LUTLoaderTray::slotRetranslateLUT(const QString& language)
{
    qDebug() << "Translate Directory - " << QStringLiteral(":rc/translations/");
    qDebug() << "Translate LUT into " << language;
    retranslateMenu();
}

void LUTLoaderTray::retranslateMenu()
{
    m_applyAll->setText(tr("Apply calibration for all displays"));
    m_cancelAll->setText(tr("Cancel calibration for all displays"));
    m_refresh->setText(tr("Refresh the display’s information"));
    m_start->setText(tr("Start %1").arg(m_applicationName));
    m_about->setText(tr("About %1...").arg(m_applicationName));
    m_close->setText(tr("Close"));
    setToolTip(helperTitle());
}

void LUTLoaderTray::ChangeLanguage(const QString& language)
{
    AppPreferences::set(QStringLiteral("Language"),
                        language.isEmpty() ? QStringLiteral("English") : language);
    emit siganlChangeLanguage();
}

// ---- clicks, commands, closing ---------------------------------------------------------

void LUTLoaderTray::slotActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick) {
        m_clickTimer.stop();
        emit signalDoubleClick();
    } else if (reason == QSystemTrayIcon::Trigger) {
        m_clickTimer.start(
            static_cast<int>(QGuiApplication::styleHints()->mouseDoubleClickInterval() * 1.05));
    } else if (reason == QSystemTrayIcon::Context) {
        emit signalRightClick();
    }
}

void LUTLoaderTray::slotShowContextMenu()
{
    if (m_contextMenuEnabled)
        m_menu->popup(QCursor::pos());
}

void LUTLoaderTray::startOrvanta()
{
    qDebug() << "LUTLoaderTray::startOrvanta" << OrvantaProcess::programPath();
    // Detached: the main application outlives the agent; a failed start is only logged.
    if (!QProcess::startDetached(OrvantaProcess::programPath(), {}))
        qWarning() << "LUTLoaderTray::startOrvanta cannot start" << OrvantaProcess::programPath();
}

void LUTLoaderTray::slotShowAboutUSDialog()
{
    auto* box = new QMessageBox(QMessageBox::Information, tr("About %1...").arg(m_applicationName),
                                helperTitle() + QStringLiteral(" ") + QStringLiteral(LUTLOADER_VERSION),
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void LUTLoaderTray::quit()
{
    for (int turn = 1; TaskRunner::IsExecute(); ++turn) {
        QCoreApplication::processEvents();
        QThread::msleep(100);
        QCoreApplication::processEvents();
        if (turn % 1000 == 0)
            qDebug() << "LUTLoader freezed!!!! . reason is" << TaskRunner::CurrentTaskName();
        if (turn == kQuitWaitTurns) {
            qWarning() << "LUTLoaderTray::quit the running task" << TaskRunner::CurrentTaskName()
                       << "did not end within a minute; asking anyway";
            break;
        }
    }
    disableContextMenu();
    QString text = tr("If you close this application,") + QLatin1Char(' ') + m_applicationName +
                   QLatin1Char(' ') +
                   tr("will not be able to notify you about due calibration and quality assurance tasks.") +
                   QLatin1Char(' ');
    text += m_applicationName.contains(QLatin1String("Tintaro"))
                ? tr("synchronization will also become unavailable.")
                : tr("synchronization, auto-backup and energy save mode will also not be available anymore.");
    const auto answer =
        QMessageBox::information(nullptr, m_applicationName, text, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        enableContextMenu();
        return;
    }
    closeConfirmed();
}

void LUTLoaderTray::closeConfirmed()
{
    // The main application reads this file to delay its own re-launch of the agent.
    const QString folder = AppInitialization::getResoursesPath();
    if (!QDir().mkpath(folder))
        qWarning() << "LUTLoaderTray::closeConfirmed cannot create" << folder;
    QFile lockFile(folder + QStringLiteral("/lockfile.txt"));
    if (lockFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        lockFile.write("7200");
        qDebug() << "lockfile was written";
    } else {
        qDebug() << "fail to open lockfile, smth will be bad with delayed re-launching of Orvanta";
    }
    hide();
    QCoreApplication::exit(0);
}
