#include "sync/HistorySynchronizerv2.h"

#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "sync/HistoryRequestTools.h"
#include "sync/SynchronizeRequest.h"
#include "sync/SynchronizeSettings.h"

#include <QDateTime>
#include <QDebug>
#include <QHash>

#include <utility>

namespace {

// The ids come from the database as integers, so the list can be written into the statement.
QString idList(const QList<QStringList>& batch)
{
    QStringList ids;
    for (const QStringList& row : batch)
        ids << QString::number(row[0].toLongLong());
    return ids.join(QLatin1Char(','));
}

} // namespace

HistorySynchronizerv2::HistorySynchronizerv2()
    : BaseSynchronizer({.action = QStringLiteral("HISTORY"),
                        .name = QStringLiteral("HistorySynchronizerv2"),
                        .protocol1Name = QStringLiteral("HistorySynchronizer"),
                        .message = QStringLiteral("Operation of synchronisation of the history has started")})
{
}

const QList<QPair<QString, QString>>& HistorySynchronizerv2::headerLabels()
{
    static const QList<QPair<QString, QString>> labels{
        {QStringLiteral("Model"), QStringLiteral("Model")},
        {QStringLiteral("Serial Number"), QStringLiteral("SerialNumber")},
        {QStringLiteral("Display Inventory Number"), QStringLiteral("InventoryNumber")},
        {QStringLiteral("Display Category"), QStringLiteral("Classification")},
        {QStringLiteral("Type Of Display"), QStringLiteral("TypeOfDisplay")},
        {QStringLiteral("Manufacturer"), QStringLiteral("Manufacturer")},
        {QStringLiteral("Display Technology"), QStringLiteral("DisplayTechnology")},
        {QStringLiteral("Display Temperature"), QStringLiteral("DisplayTemperature")},
        {QStringLiteral("Brightness Level"), QStringLiteral("BrightnessLevel")},
        {QStringLiteral("Operation Hours"), QStringLiteral("OperationHours")},
        {QStringLiteral("Software Version"), QStringLiteral("SoftwareVersion")},
        {QStringLiteral("LUT Interface"), QStringLiteral("UsedLUTInterface")},
        {QStringLiteral("Sensor Manufacturer"), QStringLiteral("SensorManufacturer")},
        {QStringLiteral("Sensor Model"), QStringLiteral("SensorModel")},
        {QStringLiteral("Sensor Serial"), QStringLiteral("SensorSerialNumber")},
        {QStringLiteral("DeltaE ab (average)"), QStringLiteral("deab2000avg")},
        {QStringLiteral("DeltaE ab (max)"), QStringLiteral("deab2000maximum")},
        {QStringLiteral("Profile Avg. DeltaE"), QStringLiteral("dprofileavg")},
        {QStringLiteral("Profile Max DeltaE"), QStringLiteral("dprofilemax")},
    };
    return labels;
}

bool HistorySynchronizerv2::hasNonSynchronized(int& count)
{
    count = int(database()
                    ->query(QStringLiteral(
                                "SELECT COUNT(*) AS n FROM History WHERE issynchron = 0 AND historyid > ?"),
                            {m_lastSentId})
                    .value(QStringLiteral("n"))
                    .toInt());
    return count > 0;
}

HistorySynchronizerv2::Sent HistorySynchronizerv2::sendBatch(const QJsonValue& payload, Rows rows)
{
    for (const QStringList& row : rows)
        m_lastSentId = qMax(m_lastSentId, row[0].toLongLong());
    addSent(int(rows.size()));
    return {send(payload), std::move(rows)};
}

int HistorySynchronizerv2::startSynchronize()
{
    int count = 0;
    if (!hasNonSynchronized(count))
        return STATUS_OK;
    QJsonValue payload = read();
    if (m_batch.isEmpty())
        return STATUS_OK;
    Sent current = sendBatch(payload, std::exchange(m_batch, {}));
    int failure = STATUS_OK;
    QString failureDetail;
    while (current.request) {
        // The next batch is read while this one is on the wire.
        Rows nextRows;
        if (failure == STATUS_OK && hasNonSynchronized(count)) {
            payload = read();
            nextRows = std::exchange(m_batch, {});
        }
        Sent next;
        if (awaitReply(*current.request) == STATUS_OK) {
            // Sent before this reply is applied, so that the next exchange is under way while
            // clearing the marks waits for the disk. Its body is fed from this thread, so it
            // is handed over first.
            if (!nextRows.isEmpty()) {
                next = sendBatch(payload, std::move(nextRows));
                next.request->waitForUpload();
            }
            m_batch = std::move(current.rows);
            applyReply();
            m_batch.clear();
        }
        if (status() != STATUS_OK && failure == STATUS_OK) {
            failure = status();
            failureDetail = detail();
        }
        current = std::move(next);
    }
    // Whatever the server accepted is recorded, also when the run is about to end.
    if (!clearMarks() && failure == STATUS_OK) {
        failure = STATUS_BAD_REPLY;
        failureDetail = QStringLiteral("reply not applied locally");
    }
    // A later batch's success does not hide an earlier failure; a lost connection is reported as such.
    if (failure != STATUS_OK && !connectionLost())
        setOutcome(failure, failureDetail);
    return status();
}

QJsonValue HistorySynchronizerv2::read()
{
    m_batch.clear();
    auto db = database();
    QList<QJsonObject> reports;
    QHash<QString, int> index;
    for (auto it =
             db->query(QStringLiteral("SELECT historyid, displayid, runtime, textname, result, historytype, "
                                      "isdisabled FROM History WHERE issynchron = 0 AND historyid > ? "
                                      "ORDER BY historyid LIMIT ?"),
                       {m_lastSentId, SynchronizeSettings::historyBatchSize()});
         !it.IsNull(); ++it) {
        const QString id = it.value(QStringLiteral("historyid"));
        m_batch << QStringList{id, it.value(QStringLiteral("textname")), it.value(QStringLiteral("result")),
                               it.value(QStringLiteral("isdisabled"))};
        const qint64 runtime = it.value(QStringLiteral("runtime")).toLongLong();
        QJsonObject report{{QStringLiteral("displayid"), it.value(QStringLiteral("displayid")).toInt()},
                           {QStringLiteral("name"), it.value(QStringLiteral("textname"))},
                           {QStringLiteral("time"), runtime},
                           {QStringLiteral("type"), it.value(QStringLiteral("historytype")).toInt()},
                           {QStringLiteral("result"), it.value(QStringLiteral("result")).toInt()},
                           {QStringLiteral("isdisabled"), it.value(QStringLiteral("isdisabled")).toInt()},
                           {QStringLiteral("levels"), QJsonArray()}};
        HistoryRequestTools::AddElementToQAHeader(
            report,
            {{QStringLiteral("Date Report Created"),
              QDateTime::fromSecsSinceEpoch(runtime, Qt::UTC).toString(QStringLiteral("yyyy.MM.dd hh:mm"))}});
        index.insert(id, int(reports.size()));
        reports << report;
    }
    if (m_batch.isEmpty())
        return QJsonArray();
    const QString ids = idList(m_batch);

    // Whole-batch queries: one per table rather than one per record.
    QHash<QString, QHash<QString, QString>> settings;
    for (auto it = db->query(
             QStringLiteral("SELECT historyid, name, value FROM HistoryPreferences WHERE historyid IN (") +
             ids + QStringLiteral(")"));
         !it.IsNull(); ++it)
        settings[it.value(QStringLiteral("historyid"))].insert(it.value(QStringLiteral("name")),
                                                               it.value(QStringLiteral("value")));
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        QList<QPair<QString, QString>> elements;
        for (const auto& [label, name] : headerLabels()) {
            if (it.value().contains(name))
                elements << qMakePair(label, it.value().value(name));
        }
        HistoryRequestTools::AddElementToQAHeader(reports[index.value(it.key())], elements);
    }

    QHash<QString, QList<QJsonObject>> scores;
    for (auto it = db->query(
             QStringLiteral("SELECT QAResultParams.qaresultid AS qaresultid, name, value, refvalue FROM "
                            "QAResultParams INNER JOIN QAResults ON QAResults.qaresultid = "
                            "QAResultParams.qaresultid WHERE QAResults.historyid IN (") +
             ids + QStringLiteral(") ORDER BY QAResultParams.rowid"));
         !it.IsNull(); ++it)
        scores[it.value(QStringLiteral("qaresultid"))]
            << QJsonObject{{QStringLiteral("name"), it.value(QStringLiteral("name"))},
                           {QStringLiteral("measured"), it.value(QStringLiteral("value"))},
                           {QStringLiteral("limit"), it.value(QStringLiteral("refvalue"))}};
    for (auto it = db->query(QStringLiteral("SELECT * FROM QAResults WHERE historyid IN (") + ids +
                             QStringLiteral(") ORDER BY qaresultid"));
         !it.IsNull(); ++it) {
        QJsonObject& report = reports[index.value(it.value(QStringLiteral("historyid")))];
        report.insert(QStringLiteral("regulation"), it.value(QStringLiteral("regulationid")));
        report.insert(QStringLiteral("classification"), it.value(QStringLiteral("classificationid")));
        QJsonObject step{{QStringLiteral("name"), it.value(QStringLiteral("stepname"))},
                         {QStringLiteral("freq"), it.value(QStringLiteral("freq")).toInt()}};
        const QString comment = it.value(QStringLiteral("comment"));
        if (!comment.isEmpty())
            step.insert(QStringLiteral("comment"), comment);
        const QString answer = it.value(QStringLiteral("result")) == QLatin1String("1")
                                   ? QStringLiteral("yes")
                                   : QStringLiteral("no");
        QJsonArray list;
        for (QJsonObject score : scores.value(it.value(QStringLiteral("qaresultid")))) {
            score.insert(QStringLiteral("answer"), answer);
            list.append(score);
        }
        step.insert(QStringLiteral("scores"), list);
        HistoryRequestTools::AddStep(report, step);
    }

    QJsonArray payload;
    for (const QJsonObject& report : reports)
        payload.append(report);
    return payload;
}

bool HistorySynchronizerv2::write(const QJsonObject&)
{
    if (m_batch.isEmpty())
        return true;
    m_accepted << m_batch;
    m_acceptedRows += int(m_batch.size());
    return m_acceptedRows < kRowsPerCommit || clearMarks();
}

bool HistorySynchronizerv2::clearMarks()
{
    if (m_accepted.isEmpty())
        return true;
    auto db = database();
    DBTransaction transaction(db);
    bool ok = transaction.started();
    // One statement per batch: a record is cleared only when it still holds what was sent.
    for (const Rows& batch : std::as_const(m_accepted)) {
        QStringList rows;
        QVariantList values;
        for (const QStringList& row : batch) {
            rows << QStringLiteral("(?, ?, ?, ?)");
            values << row[0] << row[1] << row[2] << row[3];
        }
        ok = ok && db->exec(QStringLiteral("UPDATE History SET issynchron = 1 WHERE issynchron = 0 AND "
                                           "(historyid, textname, result, isdisabled) IN (VALUES ") +
                                rows.join(QStringLiteral(", ")) + QStringLiteral(")"),
                            values);
    }
    const int accepted = m_acceptedRows;
    m_accepted.clear();
    m_acceptedRows = 0;
    if (!ok)
        qWarning() << "HISTORY - the marks of" << accepted
                   << "accepted records could not be cleared; the next run sends them again";
    return finishApply(transaction, ok, accepted);
}
