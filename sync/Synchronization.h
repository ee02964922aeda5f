#pragma once

#include "db/NetworkSettings.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class BaseSynchronizer;

// What one synchroniser did in a run.
struct SynchronizerReport
{
    QString name;
    QString action;
    int status = 0;
    QString text;
    int rowsSent = 0;
    int rowsApplied = 0;
};

// What a whole run did.
struct SynchronizationReport
{
    bool ok = false;
    int version = 0;
    QString error;
    bool stopped = false;
    QList<SynchronizerReport> synchronizers;
};

// A run of every synchroniser in the fixed order of the protocol the server speaks.
// Runs of one process are exclusive (a class-wide mutex); callers also hold the
// "synchronizationprocess" busy lock so that no other process runs one meanwhile.
class Synchronization
{
public:
    static void setVersion(int version);
    static int version();

    static bool synchronizeAll(const NetworkSettings& settings, const std::function<bool()>& stop,
                               SynchronizationReport* report = nullptr);
    // The synchronisers of a protocol version, in run order.
    static std::vector<std::unique_ptr<BaseSynchronizer>> synchronizers(int version);

    // What rebuilds the QA plan after a protocol-2 run (the QA scheduling tables'
    // owner installs it); without one the rebuild is left to the main application.
    static void setPlanRebuildHook(std::function<void()> hook);

    // Server-assigned user tasks switched off (flag true) or on again.
    static bool DisableAllServerTasks(bool flag);
    static bool DisableAllNotDueServerTasks(bool flag, qint64 now);

    // Rows still marked for upload, per table, in run order.
    static QList<QPair<QString, int>> pendingCounts();

    // Preference names under which the last run is remembered for "sync status".
    static const QString LAST_VERSION_PREFERENCE;
    static const QString LAST_RESULT_PREFERENCE;
    static const QString LAST_RUN_PREFERENCE;

private:
    static bool synchronizeAllPrivate(const NetworkSettings& settings, const std::function<bool()>& stop,
                                      SynchronizationReport& report);
};
