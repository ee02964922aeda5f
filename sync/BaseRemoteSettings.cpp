#include "sync/BaseRemoteSettings.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBPreferences.h"
#include "db/DBUtils.h"
#include "qa/QAScheduling.h"
#include "sync/BaseSynchronizer.h"
#include "sync/SynchronizeRequest.h"

#include <QDateTime>
#include <QDebug>
#include <QThread>

BaseRemoteSettings::BaseRemoteSettings(QObject* parent) : QObject(parent) {}

BaseRemoteSettings::~BaseRemoteSettings()
{
    if (!m_worker)
        return;
    m_stop = true;
    m_worker->wait();
}

void BaseRemoteSettings::slotSynchronizeDB()
{
    SynchronizeDatabase();
}

bool BaseRemoteSettings::SynchronizeDatabase()
{
    qDebug() << "Start Synchronization";
    if (m_worker) {
        qDebug() << "Start Synchronization - a run is still going, no second one";
        return false;
    }
    const QString remoteOn = DBPreferences().getValue(QStringLiteral("remoteOn"));
    if (remoteOn != QLatin1String("on")) {
        qDebug() << "Start Synchronization returns, remoteOn is" << remoteOn;
        return false;
    }
    const NetworkSettings settings = DBUtils::getNetworkSettingsFromDB();
    qDebug() << "rnstr - " << settings.serverName;
    // Only records still marked are sent, so history always goes with the rest.
    const bool histSync = true;
    qDebug() << "histSync - " << histSync;
    qDebug() << "Hist synchr!";
    qDebug() << "Start Synchronization 1";
    Synchronization::setPlanRebuildHook(
        [] { QAScheduling(QDateTime::currentSecsSinceEpoch()).RefreshFullInfo(); });
    emit showWait();
    startWorker([this, settings] {
        // The lock is per thread: taken here, where the run is, and so also held against the main
        // application and lutloaderctl.
        KaldoSharedMemory lock(SHARED_MEMORY_KEY_SYNCHRONIZATION, "BaseRemoteSettings::SynchronizeDatabase",
                               1);
        SynchronizationReport report;
        bool ok = false;
        if (lock.IsLocked() || !lock.Lock()) {
            report.error = QStringLiteral("another synchronisation is running");
            qDebug() << "Synchronization sharedmemory grabbed - stops";
        } else {
            ok = Synchronization::synchronizeAll(
                settings, [this] { return m_stop.load(); }, &report);
        }
        QMetaObject::invokeMethod(
            this,
            [this, ok, report] {
                finishWorker();
                m_lastReport = report;
                if (ok && !m_doneOnce) {
                    m_doneOnce = true;
                    qDebug() << "synchronizeDoneAtLeastOnce is setting to true (firstly in this PL run)";
                }
                if (!ok && !report.error.isEmpty())
                    emit errorMsg(report.error);
                afterSynchronize();
                emit synchronizeFinished(ok);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void BaseRemoteSettings::afterSynchronize()
{
    qDebug() << "Start Synchronization2 a.k.a. BaseRemoteSettings::afterSynchronize()";
    emit hideWait();
    emit refreshPrefs();
    emit regenerateScheduler();
    emit regenerateHistory();
    emit regenerateConsistency();
}

void BaseRemoteSettings::slotSynchConnectToServer()
{
    if (m_worker) {
        qDebug() << "slotSynchConnectToServer - a run is still going";
        return;
    }
    const NetworkSettings settings = DBUtils::getNetworkSettingsFromDB();
    emit showWait();
    startWorker([this, settings] {
        SynchronizeRequest request;
        request.setServerName(settings.serverName);
        request.setProxyUsed(settings.useProxy);
        request.setProxy(settings.proxyHost, settings.proxyPort, settings.proxyUser, settings.proxyPassword);
        QString error;
        const int version = request.getSynchronizeVersion(&error);
        const int status = version > 0 ? BaseSynchronizer::STATUS_OK : BaseSynchronizer::STATUS_CONNECTION;
        QString text = BaseSynchronizer::getErrorMsg(status);
        if (version > 0)
            Synchronization::setVersion(version);
        else
            text += QStringLiteral(" (") + error + QLatin1Char(')');
        qDebug().noquote() << "Synchronization Result is - " << text;
        QMetaObject::invokeMethod(
            this,
            [this, text, ok = version > 0] {
                finishWorker();
                emit hideWait();
                emit errorMsg(text);
                emit synchronizeFinished(ok);
            },
            Qt::QueuedConnection);
    });
}

void BaseRemoteSettings::slotChangeRemoteManagement(bool on)
{
    if (!on)
        qDebug() << "slotChangeRemoteManagment - disabled synchronize";
    Synchronization::DisableAllServerTasks(!on);
    emit setEnableRemoteItems(on);
}

void BaseRemoteSettings::startWorker(const std::function<void()>& work)
{
    m_stop = false;
    m_worker.reset(QThread::create(work));
    m_worker->setObjectName(QStringLiteral("synchronisation"));
    m_worker->start();
}

void BaseRemoteSettings::finishWorker()
{
    if (m_worker)
        m_worker->wait();
    m_worker.reset();
}
