#include "tasks/SynchronizeDatabaseTask.h"

#include "app/AppPreferences.h"
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/PipeAppConnectorClient.h"
#include "db/DBPreferences.h"
#include "db/DBUtils.h"
#include "qa/QAScheduling.h"
#include "settings/BaseDataPool.h"
#include "sync/Synchronization.h"
#include "tasks/Clock.h"
#include "tasks/ServedWait.h"

#include <QDebug>
#include <QThread>

#include <memory>

SynchronizeDatabaseTask::SynchronizeDatabaseTask(const QString& name, qint64 timeout, qint64 first,
                                                 std::shared_ptr<const Clock> clock, QObject* parent)
    : Task(name, timeout, first, std::move(clock), parent)
{
    readSchedule();
}

void SynchronizeDatabaseTask::readSchedule()
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
    // The user or the server may have changed the interval since the last look.
    readSchedule();
    const qint64 now = clock().now();
    const qint64 due = qint64(nextSync(static_cast<unsigned long>(now)));
    if (m_interval <= 0 || now < due) {
        qDebug() << "time out " << due - now;
        emit finished();
        return;
    }
    qDebug() << "Start Sinchronization - " << now;
    const QString language = AppPreferences::get(QStringLiteral("Language"));
    emit signalTranslatorEnable(false);
    emit signalTrayIconLoad(m_iconsPrefix + QStringLiteral("orvantaSynch.ico"));

    synchronizeOnWorker();
    // The run wrote server values straight into the tables: the data pool's readers
    // hear them as changes, on the pool's own thread.
    if (BaseDataPool* const pool = AppPreferences::dataPool())
        QMetaObject::invokeMethod(pool, &BaseDataPool::refreshPrefs, Qt::QueuedConnection);

    if (PipeAppConnectorClient* const pipe = PipeAppConnectorClient::instance())
        pipe->sendMessage(QStringLiteral("regenTables"), QStringLiteral("1"));
    // Not marked for upload: the time of a run is this workstation's own business.
    DBPreferences().setValue(QStringLiteral("DataBaseSynchronizationInterval_LastTime"), QString::number(now),
                             false);
    m_lastSync = now;
    emit signalTrayIconLoad(m_iconsPrefix + QStringLiteral("orvanta.ico"));
    emit signalTranslatorEnable(true);
    if (AppPreferences::get(QStringLiteral("Language")) != language) {
        qDebug() << "?? Language changed";
        emit signalRetranslate();
        if (PipeAppConnectorClient* const pipe = PipeAppConnectorClient::instance())
            pipe->sendMessage(QStringLiteral("retranslate"), QString());
    }
    if (PipeAppConnectorClient* const pipe = PipeAppConnectorClient::instance())
        pipe->sendMessage(QStringLiteral("UpdateAllPrefs"), QString());
    emit finished();
}

void SynchronizeDatabaseTask::synchronizeOnWorker()
{
    const NetworkSettings settings = DBUtils::getNetworkSettingsFromDB();
    ServedWait wait;
    // The run has its own thread (and so its own database connection); this thread
    // keeps serving its events meanwhile.
    // Server tasks and postponements change the QA plan: it is rebuilt at the end of the run,
    // at this task's time.
    const qint64 now = clock().now();
    Synchronization::setPlanRebuildHook([now] { QAScheduling(now).RefreshFullInfo(); });
    std::unique_ptr<QThread> worker(QThread::create([this, settings, &wait] {
        Synchronization::synchronizeAll(settings, [this] { return isTerminating(); });
        wait.wake();
    }));
    worker->setObjectName(QStringLiteral("synchronisation"));
    worker->start();
    while (!worker->isFinished())
        wait.wait(std::chrono::milliseconds(200));
    worker->wait();
}
