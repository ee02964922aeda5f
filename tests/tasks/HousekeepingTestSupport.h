#pragma once

#include "tasks/EnergyModeNotificationWindowInterface.h"
#include "tasks/VideoAdapterChangeInfoWindowInterface.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QAction>

#include <memory>
#include <vector>

// A tray that answers like the real one: each single load and each power switch ends
// with its answer signal. The display entries are real checkable actions.
class AnsweringTray : public FakeTray
{
    Q_OBJECT
public:
    AnsweringTray() : FakeTray(true) {}

    // Adds a display entry with the next id (1, 2, ...) and publishes the checked ones.
    QAction* addDisplay(const QString& name, bool loaded);
    void GetDisplayActionsList(std::vector<QAction*>& actions) override;
    void loadSingleLUT(int displayId) override;
    QString nameOf(int displayId) const;
    void slotTurnOnDisplays() override;
    void slotTurnOffDisplays() override;

    // When false, loads are recorded but never answered (a tray that lost one).
    bool answerLoads = true;

private:
    std::vector<std::unique_ptr<QAction>> m_actions;
};

class RecordingEnergyWindow : public EnergyModeNotificationWindowInterface
{
    Q_OBJECT
public:
    void verifyAndShow() override { eventLog().add("window:energy"); }
};

class RecordingAdapterWindow : public VideoAdapterChangeInfoWindowInterface
{
    Q_OBJECT
public:
    void slotDisplayChangeAdapterDlg(const QStringList& names) override
    {
        eventLog().add("window:adapter:" + names.join(','));
    }
    void slotFailedQADisplaysDlg(const QStringList& names) override
    {
        eventLog().add("window:failedQA:" + names.join(','));
    }
};

// A tray class that declares its load answer again, as a concrete tray may.
class ShadowingTray : public AnsweringTray
{
    Q_OBJECT
public:
    void loadSingleLUT(int displayId) override
    {
        eventLog().add("tray:load:" + nameOf(displayId));
        emit signalLUTApplyFinished();
    }

signals:
    void signalLUTApplyFinished();
};

// A tray that has display entries but no single loads of its own.
class ListOnlyTray : public FakeTray
{
    Q_OBJECT
public:
    ListOnlyTray() : FakeTray(true)
    {
        m_action.setCheckable(true), m_action.setChecked(true);
        publishLoadedDisplays({7});
    }
    void GetDisplayActionsList(std::vector<QAction*>& actions) override { actions = {&m_action}; }

private:
    QAction m_action{QStringLiteral("Left")};
};
