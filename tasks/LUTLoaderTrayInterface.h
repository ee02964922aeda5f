#pragma once

#include "tasks/StepsInfo.h"

#include <QMutex>
#include <QSystemTrayIcon>

#include <vector>

class QAction;

// The tray as tasks reach it: the factory connects task signals to these slots and
// the tray's answers back to the tasks. Tasks never call the tray directly.
class LUTLoaderTrayInterface : public QSystemTrayIcon
{
    Q_OBJECT
public:
    using QSystemTrayIcon::QSystemTrayIcon;
    ~LUTLoaderTrayInterface() override = default;

    // The menu's display entries; for the tray's own thread only.
    virtual void GetDisplayActionsList(std::vector<QAction*>& actions) = 0;
    // Ids of the displays whose LUT is loaded (checked entries), as last published by the
    // tray; safe from any thread, unlike the entries themselves.
    std::vector<int> loadedDisplayIds() const;

signals:
    void signalMessageFinished();
    void signalPowerControlFinished();
    void signalCloseDialog();
    void signalIsLUTLoad(bool loaded);
    void signalAllLUTsReloaded();
    void signalToTask();
    // One display's load has ended, whether it loaded, failed or had no LUT.
    void signalLUTApplyFinished();

public slots:
    virtual void enableActions(bool enable) = 0;
    virtual void slotShowMessage(QString text) = 0;
    virtual void slotLoadIcon(const QString& icon) = 0;
    virtual void slotTranslatorEnable(bool enable) = 0;
    virtual void slotRetranslate() = 0;
    virtual void slotTurnOnDisplays() = 0;
    virtual void slotTurnOffDisplays() = 0;
    virtual void slotIsLUTLoad(int displayId) = 0;
    virtual void slotReloadAllLUTs() = 0;
    virtual void enableContextMenu() = 0;
    virtual void disableContextMenu() = 0;
    virtual void refreshDisplayInfo(bool firstRun) = 0;
    virtual void slotInfo(StepsInfo info) = 0;
    // Loads the LUT of the display again; always answers with signalLUTApplyFinished().
    // A tray without single loads answers at once, so a reload waiting for it never hangs.
    virtual void loadSingleLUT(int displayId);

protected:
    // Called on the tray's thread whenever the check marks of its display entries change.
    void publishLoadedDisplays(std::vector<int> ids);

private:
    mutable QMutex m_loadedMutex;
    std::vector<int> m_loaded;
};
