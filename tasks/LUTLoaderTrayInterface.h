#pragma once

#include "tasks/StepsInfo.h"

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

    virtual void GetDisplayActionsList(std::vector<QAction*>& actions) = 0;

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
    // Loads the LUT of the display behind `action` again; always answers with
    // signalLUTApplyFinished(). A tray without single loads answers at once, so a
    // reload waiting for it never hangs.
    virtual void loadSingleLUT(QAction* action);
};
