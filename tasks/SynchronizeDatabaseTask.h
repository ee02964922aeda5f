#pragma once

#include "tasks/Task.h"

// Periodic exchange with the management server: decides whether a synchronisation
// is due, guards it with the busy locks, and runs it on a worker thread.
class SynchronizeDatabaseTask : public Task
{
    Q_OBJECT
public:
    SynchronizeDatabaseTask(const QString& name, qint64 timeout, qint64 first,
                            std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);

    bool canWorkInSleep() const override { return true; }
    void run() override;

    void setIconsPrefix(const QString& prefix) { m_iconsPrefix = prefix; }
    // When the next synchronisation falls due, seen at `now` (seconds since 1970).
    unsigned long nextSync(unsigned long now) const;
    qint64 interval() const { return m_interval; }
    qint64 lastSync() const { return m_lastSync; }

signals:
    void signalTrayIconLoad(const QString& icon);
    void signalTranslatorEnable(bool enable);
    void signalRetranslate();

private:
    // The interval and the last run's time as stored now.
    void readSchedule();
    void synchronizeOnWorker();

    QString m_iconsPrefix;
    qint64 m_interval = 0;
    qint64 m_lastSync = 0;
};
