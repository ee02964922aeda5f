#pragma once

#include "sync/BaseSynchronizer.h"

#include <QList>
#include <QStringList>

// Uploads every history record not yet sent, in batches, as self-contained reports.
// A batch the server refused ends the synchroniser; a batch whose marks could not be
// cleared is not sent again in the same run (the next run sends it).
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
    qint64 m_lastSentId = 0;
    // historyid, textname, result, isdisabled of the batch in flight.
    QList<QStringList> m_batch;
};
