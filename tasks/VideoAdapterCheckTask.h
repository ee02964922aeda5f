#pragma once

#include "tasks/Task.h"

#include <QMetaObject>
#include <QStringList>

#include <atomic>
#include <memory>

class KaldoSharedMemory;
class OrvantaProcess;

// Notices displays that were acceptance-tested on one video adapter and now hang on
// another, and lets the main application decide ("GCReaction") whether the user must
// test again or the QA tables only need regenerating.
class VideoAdapterCheckTask : public Task
{
    Q_OBJECT
public:
    // The main application may ask the user before it exits.
    static constexpr std::chrono::seconds answerBound{900};

    VideoAdapterCheckTask(const QString& name, qint64 timeout, qint64 first,
                          std::shared_ptr<const Clock> clock = {}, QObject* parent = nullptr);
    ~VideoAdapterCheckTask() override;

    void run() override;

    // Names of the current displays whose recorded acceptance adapter differs from
    // the adapter they hang on now.
    static QStringList movedDisplays();
    // The adapter key recorded with the display's acceptance test; empty when none.
    static QString storedAdapterKey(int displayId);
    // Forgets the day of the last QA-table regeneration (a new agent run).
    static void resetProcessState();

signals:
    void signalShowDialog(const QStringList& names);

protected:
    void runAbandoned() override;

private:
    void onReaction(int exitCode);
    void regenerateTablesOncePerDay();
    void finish();

    std::unique_ptr<KaldoSharedMemory> m_lock;
    std::unique_ptr<OrvantaProcess> m_process;
    QMetaObject::Connection m_processEnd;
    QStringList m_moved;
    static std::atomic<qint64> s_lastRegenDay;
};
