#pragma once

#include "sync/Synchronization.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

// The main thread's handle on synchronisation: starts a run on a worker thread when
// remote management is on, and when it ends asks the rest of the program to reload
// what the server may have changed. Also answers the settings dialog's connection
// test and its switch of remote management.
class BaseRemoteSettings : public QObject
{
    Q_OBJECT
public:
    explicit BaseRemoteSettings(QObject* parent = nullptr);
    // Asks a run in progress to stop after its current synchroniser and waits for it.
    ~BaseRemoteSettings() override;

    // Starts a run; false when none was started (remote management off, or a run of this
    // object still going).
    bool SynchronizeDatabase();
    // Ends a run on the main thread: tells the other parts to reload.
    void afterSynchronize();

    bool isRunning() const { return m_worker != nullptr; }
    bool synchronizeDoneAtLeastOnce() const { return m_doneOnce; }
    // What the last finished run did.
    const SynchronizationReport& lastReport() const { return m_lastReport; }

public slots:
    void slotSynchronizeDB();
    // The connection test: asks the server for its protocol version, then errorMsg with the result.
    void slotSynchConnectToServer();
    // Reacts to remote management switched on or off: server-assigned tasks follow it.
    void slotChangeRemoteManagement(bool on);

signals:
    void showWait();
    void hideWait();
    void refreshPrefs();
    void regenerateHistory();
    void regenerateConsistency();
    void regenerateScheduler();
    void setEnableRemoteItems(bool enable);
    void initRemoteGroupDialog(const QStringList& groups);
    void errorMsg(const QString& text);
    // A run or a connection test ended (after afterSynchronize for a run).
    void synchronizeFinished(bool ok);

private:
    void startWorker(const std::function<void()>& work);
    void finishWorker();

    std::unique_ptr<QThread> m_worker;
    std::atomic<bool> m_stop{false};
    bool m_doneOnce = false;
    SynchronizationReport m_lastReport;
};
