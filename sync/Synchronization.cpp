#include "sync/Synchronization.h"

#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/KaldoDynamicData.h"
#include "sync/BaseSynchronizer.h"
#include "sync/DisplayHoursSynchronizeV2.h"
#include "sync/DisplayPreferencesSynchronizerV2.h"
#include "sync/DisplayStatusSynchronizerV2.h"
#include "sync/DisplaySynchronizerV2.h"
#include "sync/HistoryFreqUpdateSynchronizerV2.h"
#include "sync/HistorySynchronizerv2.h"
#include "sync/LangListSynchronizer.h"
#include "sync/PreferenceSynchronizerV2.h"
#include "sync/QAStepsSynchronize.h"
#include "sync/QATasksSynchronizeV2.h"
#include "sync/QATasksTimeSynchronize.h"
#include "sync/RegulationListSynchronizer.h"
#include "sync/SettingsMapSynchronizer.h"
#include "sync/SynchronizeRequest.h"
#include "sync/UserServerTaskSynchronizerV2.h"

#include <QDateTime>
#include <QDebug>
#include <QMutex>
#include <QNetworkAccessManager>

#include <atomic>

const QString Synchronization::LAST_VERSION_PREFERENCE = QStringLiteral("SynchronizationProtocolVersion");
const QString Synchronization::LAST_RESULT_PREFERENCE = QStringLiteral("SynchronizationLastResult");
const QString Synchronization::LAST_RUN_PREFERENCE = QStringLiteral("SynchronizationLastRun");

namespace {

std::atomic<int> s_version = 0;

QMutex& runMutex()
{
    static QMutex mutex;
    return mutex;
}

QMutex& hookMutex()
{
    static QMutex mutex;
    return mutex;
}

std::function<void()>& planRebuildHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void Synchronization::setVersion(int version)
{
    s_version = version;
}

int Synchronization::version()
{
    return s_version;
}

void Synchronization::setPlanRebuildHook(std::function<void()> hook)
{
    QMutexLocker lock(&hookMutex());
    planRebuildHook() = std::move(hook);
}

std::vector<std::unique_ptr<BaseSynchronizer>> Synchronization::synchronizers(int version)
{
    std::vector<std::unique_ptr<BaseSynchronizer>> list;
    if (version >= 2) {
        list.push_back(std::make_unique<DisplaySynchronizerV2>());
        list.push_back(std::make_unique<SettingsMapSynchronizer>());
        list.push_back(std::make_unique<DisplayPreferencesSynchronizerV2>());
        list.push_back(std::make_unique<RegulationListSynchronizer>());
        list.push_back(std::make_unique<LangListSynchronizer>());
        list.push_back(std::make_unique<PreferenceSynchronizerV2>());
        list.push_back(std::make_unique<DisplayHoursSynchronizeV2>());
        list.push_back(std::make_unique<UserServerTaskSynchronizerV2>());
        list.push_back(std::make_unique<DisplayStatusSynchronizerV2>());
        list.push_back(std::make_unique<HistoryFreqUpdateSynchronizerV2>());
        list.push_back(std::make_unique<QATasksTimeSynchronize>());
        list.push_back(std::make_unique<QATasksSynchronizeV2>());
        list.push_back(std::make_unique<QAStepsSynchronize>());
        list.push_back(std::make_unique<HistorySynchronizerv2>());
    } else {
        // The form-data protocol exchanges the same content under its own names.
        list.push_back(std::make_unique<DisplaySynchronizerV2>());
        list.push_back(std::make_unique<DisplayPreferencesSynchronizerV2>());
        list.push_back(std::make_unique<PreferenceSynchronizerV2>());
        list.push_back(std::make_unique<DisplayHoursSynchronizeV2>());
        list.push_back(std::make_unique<DisplayStatusSynchronizerV2>());
        list.push_back(std::make_unique<UserServerTaskSynchronizerV2>());
        list.push_back(std::make_unique<QATasksSynchronizeV2>());
        list.push_back(std::make_unique<HistoryFreqUpdateSynchronizerV2>());
        list.push_back(std::make_unique<HistorySynchronizerv2>());
    }
    for (auto& synchronizer : list)
        synchronizer->setVersion(version);
    return list;
}

bool Synchronization::synchronizeAll(const NetworkSettings& settings, const std::function<bool()>& stop,
                                     SynchronizationReport* report)
{
    QMutexLocker lock(&runMutex());
    SynchronizationReport local;
    SynchronizationReport& out = report ? *report : local;
    out = {};
    const bool ok = synchronizeAllPrivate(settings, stop, out);
    out.ok = ok;

    DBPreferences preferences;
    preferences.setValue(LAST_RUN_PREFERENCE, QString::number(QDateTime::currentSecsSinceEpoch()), false);
    QString result = ok ? QStringLiteral("ok") : QStringLiteral("failed");
    if (!out.error.isEmpty())
        result += QStringLiteral(": ") + out.error;
    preferences.setValue(LAST_RESULT_PREFERENCE, result, false);
    if (out.version > 0)
        preferences.setValue(LAST_VERSION_PREFERENCE, QString::number(out.version), false);
    return ok;
}

bool Synchronization::synchronizeAllPrivate(const NetworkSettings& settings,
                                            const std::function<bool()>& stop, SynchronizationReport& report)
{
    // One manager per run: the exchanges share a connection, and nothing cached
    // survives into the next run.
    QNetworkAccessManager manager;
    SynchronizeRequest versionRequest(&manager);
    versionRequest.setServerName(settings.serverName);
    versionRequest.setProxyUsed(settings.useProxy);
    versionRequest.setProxy(settings.proxyHost, settings.proxyPort, settings.proxyUser,
                            settings.proxyPassword);
    QString error;
    const int version = versionRequest.getSynchronizeVersion(&error);
    if (version < 1) {
        // Guessing the older protocol could send rows to a server that cannot take them.
        report.error = QStringLiteral("version query failed: ") + error;
        qWarning().noquote() << "Synchronization - " << report.error << "- run ended, nothing sent";
        return false;
    }
    setVersion(version);
    report.version = version;
    qDebug() << "Synchronize Version: " << version;

    bool allOk = true;
    for (auto& synchronizer : synchronizers(version)) {
        if (stop && stop()) {
            qDebug() << "Synchronization - stopped before" << synchronizer->className(version);
            report.stopped = true;
            return false;
        }
        const QString name = synchronizer->className(version);
        qDebug().noquote() << name + " start, version_ =" << version;
        synchronizer->setNetworkSettings(settings);
        synchronizer->setNetworkAccessManager(&manager);
        if (!synchronizer->synchronizeMessage().isEmpty())
            qDebug().noquote() << synchronizer->synchronizeMessage();
        const int res = synchronizer->startSynchronize();
        qDebug().noquote() << name + ", res =" << res;
        SynchronizerReport entry{name,
                                 synchronizer->action(),
                                 res,
                                 synchronizer->detail().isEmpty() ? BaseSynchronizer::getErrorMsg(res)
                                                                  : synchronizer->detail(),
                                 synchronizer->rowsSent(),
                                 synchronizer->rowsApplied()};
        report.synchronizers << entry;
        if (synchronizer->connectionLost()) {
            // Every later synchroniser keeps its marks and goes in the next run.
            report.error = QStringLiteral("connection failed at ") + name + QStringLiteral(": ") +
                           synchronizer->detail();
            qWarning().noquote() << "Synchronization - " << report.error;
            return false;
        }
        allOk = allOk && res == BaseSynchronizer::STATUS_OK;
    }
    if (version >= 2) {
        std::function<void()> hook;
        {
            QMutexLocker lock(&hookMutex());
            hook = planRebuildHook();
        }
        if (hook)
            hook();
        else
            qDebug() << "Synchronization - no QA plan rebuild in this process, the main application rebuilds";
    }
    if (!allOk)
        report.error = QStringLiteral("some synchronisers failed");
    return allOk;
}

bool Synchronization::DisableAllServerTasks(bool flag)
{
    qDebug() << "DisableAllServerTasks" << flag << DBPreferences().getValue(QStringLiteral("ServerAddress"));
    return DB::get()->exec(QStringLiteral("UPDATE UserScheduling SET Disabled = ? WHERE servertask_id > 0"),
                           {flag ? QStringLiteral("true") : QStringLiteral("false")});
}

bool Synchronization::DisableAllNotDueServerTasks(bool flag, qint64 now)
{
    qDebug() << "DisableAllNotDueServerTasks" << flag
             << DBPreferences().getValue(QStringLiteral("ServerAddress"));
    return DB::get()->exec(
        QStringLiteral("UPDATE UserScheduling SET Disabled = ? WHERE servertask_id > 0 AND nextrun > ?"),
        {flag ? QStringLiteral("true") : QStringLiteral("false"), now});
}

QList<QPair<QString, int>> Synchronization::pendingCounts()
{
    static const QList<QPair<QString, QString>> marks{
        {QStringLiteral("Displays"), QStringLiteral("issynchron = 0")},
        {QStringLiteral("DisplayInfo"), QStringLiteral("issynchron = 0")},
        {QStringLiteral("Preferences"), QStringLiteral("isupdate = 1")},
        {QStringLiteral("DisplayStatistic"), QStringLiteral("STISSYNCHRON = '0'")},
        {QStringLiteral("UserScheduling"), QStringLiteral("issynchron = 0")},
        {QStringLiteral("QATasksTime"), QStringLiteral("issynchron = 0")},
        {QStringLiteral("QASchedulingGroupsExceptions"), QStringLiteral("issynchron = 0")},
        {QStringLiteral("History"), QStringLiteral("issynchron = 0")},
    };
    QList<QPair<QString, int>> counts;
    auto db = DB::get();
    for (const auto& [table, condition] : marks)
        counts << qMakePair(table, db->query(QStringLiteral("SELECT COUNT(*) AS n FROM ") + table +
                                             QStringLiteral(" WHERE ") + condition)
                                       .value(QStringLiteral("n"))
                                       .toInt());
    return counts;
}
