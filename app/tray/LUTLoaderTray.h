#pragma once

#include "app/KaldoSharedMemory.h"
#include "lut/LUTLoadingThread.h"
#include "tasks/LUTLoaderTrayInterface.h"

#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

class GlobalHotKeys;
class QAction;
class QMenu;

// The agent's notification-area icon: a checkable menu entry per attached display
// (checked = its calibration LUT is loaded), the commands to load, unload and refresh,
// the balloons that follow a load, and the answers to the main application's pipe
// messages. Every load or unload goes through one queue, so one display is handled at
// a time under the busy lock "lut", and each request ends in exactly one
// `signalLUTApplyFinished()`.
class LUTLoaderTray : public LUTLoaderTrayInterface
{
    Q_OBJECT
public:
    // Sends a message to the main application through the pipe.
    using PipeSender = std::function<void(const QString& message, const QString& value)>;

    static constexpr const char* DisplayIdProperty = "displayIndex980hkjHG87t";

    explicit LUTLoaderTray(PipeSender sender = {}, QObject* parent = nullptr);
    ~LUTLoaderTray() override;

    void GetDisplayActionsList(std::vector<QAction*>& actions) override;

    QMenu* contextMenu() const { return m_menu.get(); }
    QAction* applyAllAction() const { return m_applyAll; }
    QAction* cancelAllAction() const { return m_cancelAll; }
    QAction* refreshAction() const { return m_refresh; }
    QAction* startAction() const { return m_start; }
    QAction* aboutAction() const { return m_about; }
    QAction* closeAction() const { return m_close; }
    QAction* displayAction(int displayId) const;
    int loadingCount() const { return m_loadingCount; }
    // Loads waiting for their turn, the running one not counted.
    int pendingLoads() const { return static_cast<int>(m_queue.size()); }
    bool isLoading() const { return m_running.has_value(); }
    // The load a tray's end left running because it did not end in time, or null; the process
    // ends it.
    static LUTLoadingThread* leftBehindLoad();
    // The participant that disabled the agent through "lutdisable", empty when none.
    QString disablingParticipant() const { return m_disablingKey; }

    // How many 100 ms turns the display refresh waits for a running calibration.
    void setCalibrationWaitRetries(int retries);
    bool refreshRetryPending() const { return m_refreshRetry.isActive(); }

    // Queues a load (or unload) of one display; the entry point of menu, pipe and tasks.
    void loadLUT(int displayId, bool load);

public slots:
    void enableActions(bool enable) override;
    void slotShowMessage(QString text) override;
    void slotLoadIcon(const QString& icon) override;
    void slotTranslatorEnable(bool enable) override;
    void slotRetranslate() override;
    void slotTurnOnDisplays() override;
    void slotTurnOffDisplays() override;
    void slotIsLUTLoad(int displayId) override;
    void slotReloadAllLUTs() override;
    void enableContextMenu() override;
    void disableContextMenu() override;
    void refreshDisplayInfo(bool firstRun) override;
    void slotInfo(StepsInfo info) override;
    // Loads the display again (the periodic reload); the card is written only when it lost the table.
    void loadSingleLUT(int displayId) override;

    void slotReciveValue(const QString& message, const QString& value, const QString& senderKey);
    void loadAllLUT();
    void unloadAllLUT();
    void forcedUnloadAllLUT();
    void startOrvanta();
    void slotShowAboutUSDialog();
    void slotShowStartMessage();
    // Asks the user and closes the agent on "Yes".
    void quit();
    // Closes the agent as after a "Yes": writes the lock file and ends the event loop.
    void closeConfirmed();
    void slotRetranslateLUT(const QString& language);
    void ChangeLanguage(const QString& language);

    void StartLUTUpload(int size);
    void LUTUploadProgress();
    void FinishLUTUpload();
    void FailLUTUpload();
    void slotFinishLoadLut();

signals:
    void loadLUTSignal();
    void siganlChangeLanguage();
    void signalLeftClick();
    void signalRightClick();
    void signalDoubleClick();
    // Every balloon the tray shows, also where no notification area exists.
    void signalBalloon(const QString& title, const QString& text);

private slots:
    void loadLUT(bool load);
    void slotActivated(QSystemTrayIcon::ActivationReason reason);
    void slotShowContextMenu();

private:
    struct PendingLoad
    {
        int displayId = -1;
        bool load = true;
        // Requests merged into this one; each gets its own signalLUTApplyFinished().
        int answers = 1;
    };

    void createActions();
    void grabHotKeys();
    void refreshContextMenu();
    void rebuildContextMenu();
    void checkDisplayLutState(int displayId);
    void refreshDisplaysDisabling();
    void forceReload(int displayId);
    void startNextLoad();
    bool takeLutLock();
    void finishWithoutLoad(const PendingLoad& request, const char* reason);
    void answer(const PendingLoad& request);
    void showProgress();
    void balloon(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon, int ms);
    void setActionChecked(QAction* action, bool checked);
    void publishChecks();
    void retranslateMenu();
    QString helperTitle() const;
    static void storeLutUpload(int displayId, bool loaded);

    PipeSender m_send;
    std::unique_ptr<LUTLoadingThread> m_loader;
    std::unique_ptr<KaldoSharedMemory> m_lutLock;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<GlobalHotKeys> m_hotKeys;
    QAction* m_applyAll = nullptr;
    QAction* m_cancelAll = nullptr;
    QAction* m_refresh = nullptr;
    QAction* m_start = nullptr;
    QAction* m_about = nullptr;
    QAction* m_close = nullptr;
    std::vector<QPointer<QAction>> m_displayActions;
    QTimer m_clickTimer;
    QTimer m_lockRetry;
    QTimer m_refreshRetry;
    int m_calibrationWaitRetries;
    enum class Refresh
    {
        Idle,
        WaitingForCalibration,
        Rebuilding
    };
    Refresh m_refreshState = Refresh::Idle;
    bool m_refreshAgain = false;
    bool m_refreshRetryFirstRun = false;
    std::deque<PendingLoad> m_queue;
    std::optional<PendingLoad> m_running;
    int m_loadingCount = 0;
    int m_uploadSize = 0;
    int m_uploadProgress = 0;
    int m_shownPercent = -1;
    bool m_contextMenuEnabled = true;
    bool m_lockWaitLogged = false;
    bool m_startingLoad = false;
    QString m_disablingKey;
    QString m_applicationName;
};
