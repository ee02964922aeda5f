#include "db/DBHistory.h"

#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/KaldoRecursiveReadWriteLocker.h"
#include "db/Schema.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

#include <atomic>
#include <functional>
#include <unordered_map>

const QString DBHistory::TABLE = QStringLiteral("History");
const QString DBHistory::ACCEPTANCE_TEXT = QStringLiteral("Acceptance Test");

namespace {

std::atomic<bool> s_checked{false};

// CROSS JOIN keeps SQLite's join order: the display's history rows first, then their
// results by history id. Left to itself it starts from the regulation's results of every
// display, and a plan rebuild then reads all results once per display.
const QString kJoin = QStringLiteral(" FROM History CROSS JOIN QAResults ON History.historyid = "
                                     "QAResults.historyid WHERE History.deviceid = ?");

QString placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

KaldoDynamicData::Values byId(qint64 historyId)
{
    return {{QStringLiteral("historyid"), QString::number(historyId)}};
}

} // namespace

DBHistory::DBHistory() : data_(DB::get())
{
    static const QList<TableSchema> tables =
        Schema::tables({TABLE, QStringLiteral("QAResults"), QStringLiteral("VideoDevicesData")});
    Schema::checkOnce(*data_, tables, s_checked);
}

qint64 DBHistory::addRecord(int displayId, const QString& textName, int type, int result, qint64 time)
{
    // Records come in bursts (a synchronisation's download, a year of imported history):
    // the values go to the kept statement as numbers instead of as text parsed back.
    qint64 id = -1;
    if (!data_->exec(QStringLiteral("INSERT INTO History(deviceid,displayid,runtime,textname,result,"
                                    "historytype,issynchron,isdisabled) VALUES(?,?,?,?,?,?,0,0)"),
                     {displayId, displayId, time, KaldoDynamicData::storedText(textName), result, type}, &id))
        return -1;
    return id;
}

bool DBHistory::setHistoryResult(qint64 historyId, int result)
{
    return data_->changeinfo(TABLE, byId(historyId), {{QStringLiteral("result"), QString::number(result)}});
}

bool DBHistory::setHistoryDate(qint64 historyId, qint64 time)
{
    return data_->changeinfo(TABLE, byId(historyId), {{QStringLiteral("runtime"), QString::number(time)}});
}

bool DBHistory::SetDisabled(qint64 historyId, bool disabled)
{
    return data_->changeinfo(
        TABLE, byId(historyId),
        {{QStringLiteral("isdisabled"), disabled ? QStringLiteral("1") : QStringLiteral("0")},
         {QStringLiteral("issynchron"), QStringLiteral("0")}});
}

bool DBHistory::deleteRecord(qint64 historyId)
{
    return data_->delinfo(TABLE, byId(historyId));
}

QString DBHistory::field(qint64 historyId, const QString& column)
{
    return data_->readinfo(TABLE, byId(historyId)).value(column);
}

qint64 DBHistory::getRuntime(qint64 historyId)
{
    return field(historyId, QStringLiteral("runtime")).toLongLong();
}

QString DBHistory::getTestName(qint64 historyId)
{
    return field(historyId, QStringLiteral("textname"));
}

int DBHistory::GetDispId(qint64 historyId)
{
    const QString id = field(historyId, QStringLiteral("deviceid"));
    return id.isEmpty() ? -1 : id.toInt();
}

int DBHistory::getHistoryType(qint64 historyId)
{
    return field(historyId, QStringLiteral("historytype")).toInt();
}

int DBHistory::getResult(qint64 historyId)
{
    return field(historyId, QStringLiteral("result")).toInt();
}

bool DBHistory::isDisabled(qint64 historyId)
{
    return field(historyId, QStringLiteral("isdisabled")).toInt() == 1;
}

bool DBHistory::isSynchronizeNeed(qint64 historyId)
{
    const auto it = data_->readinfo(TABLE, byId(historyId));
    return !it.IsNull() && it.value(QStringLiteral("issynchron")).toInt() == 0;
}

QString DBHistory::getTypeName(int type, const QString& regulationName)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("DBHistory", text); };
    switch (type) {
    case 1:
    case 71:
        if (regulationName.isEmpty())
            return tr("Regulation does not exist.");
        return tr("QA") + QLatin1Char(' ') +
               (regulationName == QLatin1String("DIN") ? QStringLiteral("DIN 6868-57") : regulationName);
    case 2:
        return tr("Calibration");
    case 3:
        return tr("Calibration Conformance");
    case 10:
        return tr("Display Luminance Calibration");
    case 11:
        return tr("Display Luminance Conformance");
    case 20:
        return tr("Uniformity");
    case 21:
        return tr("Uniformity Conformance");
    case 31:
        return tr("Create ICC Profile");
    case 41:
        return tr("Display Test Pattern");
    case 42:
        return tr("MQSA Monitor Inspection");
    case 43:
        return tr("Everlight ANZ QA");
    case 44:
        return tr("Full Black Surface Test");
    case 45:
        return tr("SMPTE US Rad");
    case 51:
        return tr("Online Visual Display Test");
    case 101:
        return tr("Camera Profiling");
    case 102:
        return tr("Printer Profiling");
    case 103:
        return tr("Printer Conformance");
    default:
        return {};
    }
}

DBHistory::iterator DBHistory::begin()
{
    return data_->readinfo(TABLE);
}

DBHistory::iterator DBHistory::begin(qint64 from, qint64 to)
{
    return data_->query(QStringLiteral("SELECT * FROM History WHERE runtime > ? AND runtime < ?"),
                        {from, to});
}

DBHistory::iterator DBHistory::begin(qint64 historyId)
{
    return data_->readinfo(TABLE, byId(historyId));
}

DBHistory::iterator DBHistory::beginByDisplayId(int displayId)
{
    return data_->query(QStringLiteral("SELECT * FROM History WHERE deviceid = ? ORDER BY runtime ASC"),
                        {displayId});
}

DBHistory::iterator DBHistory::beginNotSynchronized()
{
    return data_->query(QStringLiteral("SELECT * FROM History WHERE issynchron = 0 ORDER BY runtime ASC"));
}

bool DBHistory::setSynchronizeNeed(qint64 historyId, bool need)
{
    return data_->changeinfo(
        TABLE, byId(historyId),
        {{QStringLiteral("issynchron"), need ? QStringLiteral("0") : QStringLiteral("1")}});
}

bool DBHistory::setAllSynchronizeNeed(bool need)
{
    return data_->exec(QStringLiteral("UPDATE History SET issynchron = ?"), {need ? 0 : 1});
}

qint64 DBHistory::countNotSynchronized()
{
    return data_->count(TABLE, {{QStringLiteral("issynchron"), QStringLiteral("0")}});
}

bool DBHistory::fillDisplayIdsForCompatibility()
{
    return data_->execSql(QStringLiteral("UPDATE History SET displayid = deviceid WHERE displayid IS NULL"));
}

QStringList DBHistory::regulationNames(const QString& regulation)
{
    if (regulation == QLatin1String("DIN") || regulation == QLatin1String("DIN 6868-57"))
        return {QStringLiteral("DIN 6868-57"), QStringLiteral("DIN")};
    return {regulation};
}

qint64 DBHistory::qaValue(const QString& select, int displayId, const QString& regulation, int stepId,
                          int classification, const QString& extra, const QString& order, qint64 none)
{
    const QStringList names = regulationNames(regulation);
    QString sql = select + kJoin + QStringLiteral(" AND QAResults.regulationid IN(") +
                  placeholders(names.size()) + QStringLiteral(") AND QAResults.stepid = ?");
    QVariantList parameters{displayId};
    for (const QString& name : names)
        parameters << name;
    parameters << stepId;
    if (classification >= 0) {
        sql += QStringLiteral(" AND QAResults.classificationid = ?");
        parameters << classification;
    }
    sql += extra + QStringLiteral(" AND History.isdisabled = 0") + order + QStringLiteral(" LIMIT 1");
    const auto it = data_->query(sql, parameters);
    return it.IsNull() ? none : it.values().first().toLongLong();
}

qint64 DBHistory::getQARuntime(int displayId, const QString& regulation, int stepId, int classification)
{
    return qaValue(QStringLiteral("SELECT History.runtime as runtime"), displayId, regulation, stepId,
                   classification, {}, QStringLiteral(" ORDER BY History.runtime DESC"), 0);
}

qint64 DBHistory::getSuccessQARuntime(int displayId, const QString& regulation, int stepId,
                                      int classification)
{
    // A step passed inside a failed acceptance run does not count.
    return qaValue(QStringLiteral("SELECT History.runtime as runtime"), displayId, regulation, stepId,
                   classification,
                   QStringLiteral(" AND QAResults.result = 2 AND (History.textname NOT LIKE '%") +
                       ACCEPTANCE_TEXT + QStringLiteral("%' OR History.result=2)"),
                   QStringLiteral(" ORDER BY History.runtime DESC"), 0);
}

qint64 DBHistory::getSuccessQARuntimePlanned(int displayId, const QString& regulation, int stepId,
                                             int classification)
{
    return qaValue(QStringLiteral("SELECT QAResults.runtime_planned as runtime_planned"), displayId,
                   regulation, stepId, classification,
                   QStringLiteral(" AND QAResults.result = 2 AND QAResults.runtime_planned > 0"),
                   QStringLiteral(" ORDER BY QAResults.runtime_planned DESC"), 0);
}

int DBHistory::getQAResult(int displayId, const QString& regulation, int stepId, int classification)
{
    return static_cast<int>(qaValue(QStringLiteral("SELECT QAResults.result as result"), displayId,
                                    regulation, stepId, classification, {},
                                    QStringLiteral(" ORDER BY History.runtime DESC"), -1));
}

QMap<int, DBHistory::StepRuns> DBHistory::stepRuns(int displayId, const QString& regulation,
                                                   int classification)
{
    QMap<int, StepRuns> runs;
    walkSteps(runs, displayId, regulationNames(regulation), classification, nullptr);
    return runs;
}

QMap<int, DBHistory::StepRuns> DBHistory::stepRuns(int displayId, const QString& regulation,
                                                   int classification, const QList<int>& settle,
                                                   const QList<int>& lastOf)
{
    const QStringList names = regulationNames(regulation);
    QMap<int, StepRuns> runs;
    QSet<int> pending(settle.cbegin(), settle.cend());
    if (pending.isEmpty() || walkSteps(runs, displayId, names, classification, &pending))
        addLastRuns(runs, displayId, names, classification, lastOf);
    return runs;
}

bool DBHistory::walkSteps(QMap<int, StepRuns>& runs, int displayId, const QStringList& names,
                          int classification, QSet<int>* pending)
{
    // Newest first along the display's (deviceid, runtime) index, so SQLite hands the rows
    // over as it finds them and the walk can end early: the first row of a step is its last
    // run and result, its first successful row its last success. A passed step inside a
    // failed acceptance run is no success.
    const QString statement =
        QStringLiteral("SELECT QAResults.stepid, History.runtime, QAResults.result, QAResults.result = 2 AND "
                       "(History.textname NOT LIKE '%") +
        ACCEPTANCE_TEXT + QStringLiteral("%' OR History.result = 2)") + kJoin +
        QStringLiteral(" AND QAResults.regulationid IN(") + placeholders(names.size()) +
        QStringLiteral(") AND QAResults.classificationid = ? AND History.isdisabled = 0 "
                       "ORDER BY History.runtime DESC, History.historyid DESC");
    QVariantList parameters{displayId};
    for (const QString& name : names)
        parameters << name;
    parameters << classification;
    QSet<int> succeeded;
    bool stoppedEarly = false;
    walk(statement, parameters, [&](const QSqlQuery& row) {
        const int step = row.value(0).toInt();
        const bool success = row.value(3).toInt() != 0;
        auto found = runs.find(step);
        if (found == runs.end()) {
            StepRuns first;
            first.lastRun = row.value(1).toLongLong();
            first.lastResult = row.value(2).toInt();
            found = runs.insert(step, first);
        } else if (!success || succeeded.contains(step)) {
            return true;
        }
        if (success) {
            succeeded.insert(step);
            found->lastSuccess = row.value(1).toLongLong();
            stoppedEarly = pending && pending->remove(step) && pending->isEmpty();
        }
        return !stoppedEarly;
    });
    return stoppedEarly;
}

void DBHistory::addLastRuns(QMap<int, StepRuns>& runs, int displayId, const QStringList& names,
                            int classification, const QList<int>& steps)
{
    QVariantList parameters;
    for (const QString& name : names)
        parameters << name;
    QStringList missing;
    for (const int step : steps) {
        if (!runs.contains(step)) {
            missing << QStringLiteral("?");
            parameters << step;
        }
    }
    if (missing.isEmpty())
        return;
    parameters << classification << displayId;
    // From the steps' results through the (regulationid, stepid) index: a step that never
    // ran costs one index probe, where the walk would have read the whole history for it.
    // SQLite takes the bare column (result) from the row that holds the maximum.
    for (auto it = data_->query(
             QStringLiteral("SELECT QAResults.stepid AS stepid, MAX(History.runtime) AS runtime, "
                            "QAResults.result AS result FROM QAResults CROSS JOIN History ON "
                            "History.historyid = QAResults.historyid WHERE QAResults.regulationid IN(") +
                 placeholders(names.size()) + QStringLiteral(") AND QAResults.stepid IN(") +
                 missing.join(QLatin1Char(',')) +
                 QStringLiteral(") AND QAResults.classificationid = ? AND History.deviceid = ? AND "
                                "History.isdisabled = 0 GROUP BY QAResults.stepid"),
             parameters);
         !it.IsNull(); ++it) {
        StepRuns& step = runs[it.value(QStringLiteral("stepid")).toInt()];
        step.lastRun = it.value(QStringLiteral("runtime")).toLongLong();
        step.lastResult = it.value(QStringLiteral("result")).toInt();
    }
}

bool DBHistory::walk(const QString& statement, const QVariantList& parameters,
                     const std::function<bool(const QSqlQuery&)>& row)
{
    // Kept per thread, and so per connection, and prepared again when the thread's
    // connection is a new one. The statements name their columns: when another program
    // changes a table, SQLite prepares them again with the same columns, which the driver
    // copes with (a kept SELECT * could come back with other columns).
    thread_local std::weak_ptr<KaldoDynamicData> connection;
    thread_local std::unordered_map<QString, std::unique_ptr<QSqlQuery>> statements;
    const KaldoRecursiveReadWriteLocker::ReadScope lock;
    if (connection.expired() || connection.owner_before(data_) || data_.owner_before(connection)) {
        statements.clear();
        connection = data_;
    }
    auto found = statements.find(statement);
    if (found == statements.end()) {
        auto query = std::make_unique<QSqlQuery>(data_->rawDatabase());
        query->setForwardOnly(true);
        if (!query->prepare(statement)) {
            logFailure(*query, statement);
            return false;
        }
        found = statements.insert_or_assign(statement, std::move(query)).first;
    }
    QSqlQuery& query = *found->second;
    for (qsizetype i = 0; i < parameters.size(); ++i)
        query.bindValue(static_cast<int>(i), parameters.at(i));
    if (!query.exec()) {
        logFailure(query, statement);
        // Prepared afresh next time, in case the failure was the statement's own.
        statements.erase(found);
        return false;
    }
    while (query.next() && row(query)) {
    }
    // Ends the statement, also before its last row: no read lock stays on the file.
    query.finish();
    return true;
}

void DBHistory::logFailure(const QSqlQuery& query, const QString& statement)
{
    const QSqlError error = query.lastError();
    qWarning() << "sql error: " + error.text() + ", lastError().type() =" + QString::number(error.type()) +
                      ", sql =" + statement;
}

qint64 DBHistory::acceptanceDatePerformedOnAnyVideoAdapter(int displayId, const QString& regulation)
{
    const QStringList names = regulationNames(regulation);
    QVariantList parameters{displayId};
    for (const QString& name : names)
        parameters << name;
    // Newest first, so the walk ends at the last acceptance instead of reading every record.
    qint64 runtime = 0;
    walk(QStringLiteral(
             "SELECT History.runtime FROM History WHERE History.deviceid = ? AND History.isdisabled = 0 "
             "AND History.result = 2 AND History.textname LIKE '%") +
             ACCEPTANCE_TEXT +
             QStringLiteral(
                 "%' AND EXISTS (SELECT 1 FROM QAResults WHERE QAResults.historyid = History.historyid "
                 "AND QAResults.regulationid IN(") +
             placeholders(names.size()) + QStringLiteral(")) ORDER BY History.runtime DESC LIMIT 1"),
         parameters, [&](const QSqlQuery& row) {
             runtime = row.value(0).toLongLong();
             return false;
         });
    return runtime;
}

bool DBHistory::wasPerformedOnAnyVideoAdapter(int displayId, const QString& regulation)
{
    return acceptanceDatePerformedOnAnyVideoAdapter(displayId, regulation) > 0;
}

bool DBHistory::wasPerformed(int displayId, const QString& regulation, const QString& boardKey)
{
    if (!wasPerformedOnAnyVideoAdapter(displayId, regulation))
        return false;
    const qint64 recorded = data_->count(QStringLiteral("VideoDevicesData"),
                                         {{QStringLiteral("displayid"), QString::number(displayId)}});
    return recorded == 0 || data_->count(QStringLiteral("VideoDevicesData"),
                                         {{QStringLiteral("displayid"), QString::number(displayId)},
                                          {QStringLiteral("key"), boardKey}}) > 0;
}

bool DBHistory::stepIdWasPerformed(int displayId, int stepId, const QString& boardKey)
{
    return data_->count(QStringLiteral("VideoDevicesData"),
                        {{QStringLiteral("displayid"), QString::number(displayId)},
                         {QStringLiteral("stepid"), QString::number(stepId)},
                         {QStringLiteral("key"), boardKey}}) > 0;
}

bool DBHistory::stepWasPerformedOnAnyVideoAdapter(int displayId, const QString& regulation, int stepId,
                                                  int classification)
{
    return qaValue(QStringLiteral("SELECT History.runtime as runtime"), displayId, regulation, stepId,
                   classification, QStringLiteral(" AND History.result = 2"),
                   QStringLiteral(" ORDER BY History.runtime DESC"), 0) > 0;
}

bool DBHistory::GetDisplayHistory(int displayId, qint64 from, qint64 to, QList<qint64>& ids, bool onlyEnabled)
{
    ids.clear();
    for (auto it = data_->query(
             QStringLiteral("SELECT History.historyid FROM History WHERE History.deviceid = ? AND "
                            "History.runtime >= ? AND History.runtime <= ?") +
                 (onlyEnabled ? QStringLiteral(" AND isdisabled=0") : QString()) +
                 QStringLiteral(" ORDER BY History.runtime ASC"),
             {displayId, from, to});
         !it.IsNull(); ++it)
        ids << it.integer(QStringLiteral("historyid"));
    return !ids.isEmpty();
}

qint64 DBHistory::GetFirstTestId(int displayId)
{
    const auto it = data_->query(
        QStringLiteral("SELECT historyid FROM History WHERE deviceid = ? ORDER BY runtime ASC LIMIT 1"),
        {displayId});
    return it.IsNull() ? -1 : it.value(QStringLiteral("historyid")).toLongLong();
}

qint64 DBHistory::GetLastTestId(int displayId, int type)
{
    const auto it =
        data_->query(QStringLiteral("SELECT historyid FROM History WHERE deviceid = ? AND historytype = ? "
                                    "ORDER BY runtime DESC LIMIT 1"),
                     {displayId, type});
    return it.IsNull() ? -1 : it.value(QStringLiteral("historyid")).toLongLong();
}
