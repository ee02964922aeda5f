#include "tasks/SynchronizeDatabaseTask.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "tasks/Clock.h"

#include <QDebug>

SynchronizeDatabaseTask::SynchronizeDatabaseTask(const QString& name, qint64 timeout, qint64 first,
                                                 std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent)
{
    bool ok = false;
    const qint64 minutes =
        AppPreferences::get(QStringLiteral("DataBaseSynchronizationInterval")).toLongLong(&ok);
    // An unreadable interval must not make the agent synchronise every two minutes.
    m_interval = ok && minutes > 0 ? minutes * 60 : 0;
    m_lastSync = AppPreferences::get(QStringLiteral("DataBaseSynchronizationInterval_LastTime")).toLongLong();
}

unsigned long SynchronizeDatabaseTask::nextSync(unsigned long now) const
{
    if (m_lastSync > qint64(now))
        return now; // a clock set back: synchronise rather than wait for years
    return static_cast<unsigned long>(m_lastSync + m_interval);
}

void SynchronizeDatabaseTask::run()
{
    qDebug() << "Sinchronization";
    qDebug() << "SynchronizeDatabaseTask::run";
    KaldoSharedMemory calibration(SHARED_MEMORY_KEY_CALIBRATION, "SynchronizeDatabaseTask", 1);
    if (calibration.IsLocked()) {
        qDebug() << "Calibration or QA in progress - stops";
        emit finished();
        return;
    }
    KaldoSharedMemory synchronization(SHARED_MEMORY_KEY_SYNCHRONIZATION, "SynchronizeDatabaseTask::run", 1);
    if (synchronization.IsLocked() || !synchronization.Lock()) {
        qDebug() << "Synchronization sharedmemory grabbed - stops";
        emit finished();
        return;
    }
    if (AppPreferences::get(QStringLiteral("remoteOn")) != QLatin1String("on")) {
        qDebug() << "remote off";
        emit finished();
        return;
    }
    const qint64 now = clock().now();
    const qint64 due = qint64(nextSync(static_cast<unsigned long>(now)));
    if (m_interval <= 0 || now < due) {
        qDebug() << "time out " << due - now;
        emit finished();
        return;
    }
    qDebug() << "Start Sinchronization - " << now;
    // Nothing is exchanged, so the last synchronisation time stays as it is and the
    // next run tries again.
    qWarning() << "SynchronizeDatabaseTask - no synchronizers in this build, nothing exchanged";
    emit finished();
}
