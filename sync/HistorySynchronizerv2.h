#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

#include <memory>

// Uploads every history record not yet sent, in batches, as self-contained reports.
// One request is out at a time, but the next batch leaves as soon as the previous reply
// came, before that reply's marks are cleared. A batch the server refused ends the
// synchroniser once the batch already sent has been answered; a batch whose marks could
// not be cleared is not sent again in the same run (the next run sends it).
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

    qint64 m_lastSentId = 0;
    // historyid, textname, result, isdisabled of the batch last read, then of the batch
    // whose reply is being applied.
    Rows m_batch;
};
