#include "sync/ctl/SyncCommand.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "app/ctl/CtlContext.h"
#include "db/DB.h"
#include "db/DBPreferences.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "qa/QAScheduling.h"
#include "settings/DataDirectory.h"
#include "sync/BaseSynchronizer.h"
#include "sync/Synchronization.h"
#include "sync/SynchronizeSettings.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include <atomic>

namespace {

bool openDatabase(const CtlContext& context, int* exitCode)
{
    QString error;
    if (!DataDirectory::ensureExists(&error)) {
        *exitCode = context.fail(error);
        return false;
    }
    DB::setPath(DataDirectory::path());
    auto db = DB::get();
    static std::atomic<bool> checked = false;
    if (!db->IsOpened() || !Schema::checkOnce(*db, Schema::all(), checked)) {
        *exitCode = context.fail(QStringLiteral("cannot use the database %1").arg(db->filePath()));
        return false;
    }
    return true;
}

} // namespace

QString SyncCommand::usage() const
{
    return QStringLiteral("sync now [--ca-file FILE] | sync status");
}

int SyncCommand::run(const CtlContext& context) const
{
    const QString action = context.arguments().value(0);
    if (action == QLatin1String("now"))
        return now(context);
    if (action == QLatin1String("status") && context.arguments().size() == 1)
        return status(context);
    return context.fail(QStringLiteral("usage: ") + usage(), 2);
}

int SyncCommand::now(const CtlContext& context) const
{
    const QStringList& args = context.arguments();
    QString caFile;
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--ca-file") && i + 1 < args.size())
            caFile = args.at(++i);
        else
            return context.fail(QStringLiteral("usage: ") + usage(), 2);
    }
    if (!caFile.isEmpty()) {
        if (!QFileInfo(caFile).isReadable())
            return context.fail(QStringLiteral("cannot read the CA file %1").arg(caFile));
        SynchronizeSettings::setExtraCaFile(caFile);
    }
    int exitCode = 0;
    if (!openDatabase(context, &exitCode))
        return exitCode;
    if (DBPreferences().getValue(QStringLiteral("remoteOn")) != QLatin1String("on"))
        return context.fail(QStringLiteral("remote management is off (preference remoteOn), nothing sent"));

    KaldoSharedMemory lock(SHARED_MEMORY_KEY_SYNCHRONIZATION, "lutloaderctl sync now", 1);
    if (lock.IsLocked() || !lock.Lock())
        return context.fail(QStringLiteral("a synchronisation is running already"));

    SynchronizationReport report;
    Synchronization::setPlanRebuildHook(
        [] { QAScheduling(QDateTime::currentSecsSinceEpoch()).RefreshFullInfo(); });
    const bool ok = Synchronization::synchronizeAll(DBUtils::getNetworkSettingsFromDB(), {}, &report);
    lock.Unlock();

    QJsonArray list;
    QString text = QStringLiteral("protocol %1\n").arg(report.version);
    for (const SynchronizerReport& entry : report.synchronizers) {
        list.append(QJsonObject{{QStringLiteral("synchronizer"), entry.name},
                                {QStringLiteral("action"), entry.action},
                                {QStringLiteral("status"), entry.status},
                                {QStringLiteral("text"), entry.text},
                                {QStringLiteral("sent"), entry.rowsSent},
                                {QStringLiteral("applied"), entry.rowsApplied}});
        text += QStringLiteral("%1 %2: %3 %4, sent %5, applied %6\n")
                    .arg(entry.name, entry.action.isEmpty() ? QStringLiteral("-") : entry.action)
                    .arg(entry.status)
                    .arg(entry.text)
                    .arg(entry.rowsSent)
                    .arg(entry.rowsApplied);
    }
    text += ok ? QStringLiteral("ok") : QStringLiteral("failed: ") + report.error;
    const int code = context.answer({{QStringLiteral("ok"), ok},
                                     {QStringLiteral("version"), report.version},
                                     {QStringLiteral("error"), report.error},
                                     {QStringLiteral("synchronizers"), list}},
                                    text);
    return ok ? code : 1;
}

int SyncCommand::status(const CtlContext& context) const
{
    int exitCode = 0;
    if (!openDatabase(context, &exitCode))
        return exitCode;
    DBPreferences preferences;
    const QString version = preferences.getValue(Synchronization::LAST_VERSION_PREFERENCE);
    const qint64 lastRun = preferences.getValue(Synchronization::LAST_RUN_PREFERENCE).toLongLong();
    const QString result = preferences.getValue(Synchronization::LAST_RESULT_PREFERENCE);
    const QString when = lastRun > 0 ? QDateTime::fromSecsSinceEpoch(lastRun, Qt::UTC).toString(Qt::ISODate)
                                     : QStringLiteral("never");
    QJsonObject pending;
    QString text = QStringLiteral("protocol version: %1\nlast run: %2 %3\nmarked for upload:\n")
                       .arg(version.isEmpty() ? QStringLiteral("unknown") : version, when, result);
    for (const auto& [table, count] : Synchronization::pendingCounts()) {
        pending.insert(table, count);
        text += QStringLiteral("  %1 %2\n").arg(table).arg(count);
    }
    text.chop(1);
    return context.answer({{QStringLiteral("ok"), true},
                           {QStringLiteral("version"), version.toInt()},
                           {QStringLiteral("lastRun"), lastRun},
                           {QStringLiteral("lastResult"), result},
                           {QStringLiteral("pending"), pending}},
                          text);
}
