#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

#include <memory>

// Uploads every history record not yet sent, in batches, as self-contained reports.
// One request is out at a time, but the next batch leaves as soon as the previous one was
// accepted, before its marks are cleared; the marks of several accepted batches are cleared
// in one commit. A refused batch ends the synchroniser. When marks could not be cleared, the
// batch already out is still answered but no further one leaves, and those records are not
// sent again in the same run (the next run sends them).
class HistorySynchronizerv2 : public BaseSynchronizer
{
    Q_OBJECT
public:
    HistorySynchronizerv2();
    int startSynchronize() override;
    // Records still marked that this run has not sent yet.
    bool hasNonSynchronized(int& count);

    // Report label -> setting name of the history record.
    static const QList<QPair<QString, QString>>& headerLabels();

protected:
    QJsonValue read() override;
    bool write(const QJsonObject& reply) override;

private:
    using Rows = QList<QStringList>;
    struct Sent
    {
        std::unique_ptr<SynchronizeRequest> request;
        Rows rows;
    };
    Sent sendBatch(const QJsonValue& payload, Rows rows);
    // Clears the marks of the records the server accepted since the last time, in one commit.
    bool clearMarks();

    // Accepted records whose marks wait for one commit: each commit waits for the disk, and a
    // killed run sends at most this many accepted records again.
    static constexpr int kRowsPerCommit = 1000;

    qint64 m_lastSentId = 0;
    // historyid, textname, result, isdisabled of the batch last read, then of the batch
    // whose reply is being applied.
    Rows m_batch;
    QList<Rows> m_accepted;
    int m_acceptedRows = 0;
};
