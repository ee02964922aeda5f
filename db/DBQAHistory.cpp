#include "db/DBQAHistory.h"

#include "db/DB.h"
#include "db/DBHistory.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"

#include <QDebug>
#include <QVariantList>

#include <atomic>

const QString DBQAHistory::RESULTS = QStringLiteral("QAResults");
const QString DBQAHistory::PARAMS = QStringLiteral("QAResultParams");
const QString DBQAHistory::REFERENCES = QStringLiteral("QAReferences");

namespace {

std::atomic<bool> s_checked{false};

QString inList(const QStringList& names, QVariantList& parameters)
{
    QStringList marks;
    for (const QString& name : names) {
        marks << QStringLiteral("?");
        parameters << name;
    }
    return QStringLiteral("(") + marks.join(QLatin1Char(',')) + QStringLiteral(")");
}

} // namespace

DBQAHistory::DBQAHistory() : data_(DB::get())
{
    static const QList<TableSchema> tables = Schema::tables({DBHistory::TABLE, RESULTS, PARAMS, REFERENCES});
    Schema::checkOnce(*data_, tables, s_checked);
}

qint64 DBQAHistory::addStepResult(qint64 historyId, const QString& regulation, int classification, int stepId,
                                  int stepType, int result, const QString& stepName, const QString& comment,
                                  int frequency, qint64 plannedTime, bool executed)
{
    qint64 id = -1;
    if (!data_->addinfo(
            RESULTS,
            {{QStringLiteral("historyid"), QString::number(historyId)},
             {QStringLiteral("regulationid"), regulation},
             {QStringLiteral("classificationid"), QString::number(classification)},
             {QStringLiteral("stepid"), QString::number(stepId)},
             {QStringLiteral("steptype"), QString::number(stepType)},
             {QStringLiteral("result"), QString::number(result)},
             {QStringLiteral("stepname"), stepName},
             {QStringLiteral("comment"), comment},
             {QStringLiteral("freq"), QString::number(frequency)},
             {QStringLiteral("runtime_planned"), QString::number(plannedTime)},
             {QStringLiteral("qaresult_isexec"), executed ? QStringLiteral("1") : QStringLiteral("0")}},
            &id))
        return -1;
    return id;
}

bool DBQAHistory::addResultParams(qint64 qaResultId, const QString& name, const QString& value,
                                  const QString& reference)
{
    return data_->addinfo(PARAMS, {{QStringLiteral("qaresultid"), QString::number(qaResultId)},
                                   {QStringLiteral("name"), name},
                                   {QStringLiteral("value"), value},
                                   {QStringLiteral("refvalue"), reference}});
}

bool DBQAHistory::addRefsValue(int displayId, const QString& regulation, bool acceptanceOnly,
                               const QString& name, const QString& value)
{
    return data_->addinfo(REFERENCES, {{QStringLiteral("regulationid"), regulation},
                                       {QStringLiteral("displayid"), QString::number(displayId)},
                                       {QStringLiteral("acceptanceOnly"), acceptanceOnly ? "1" : "0"},
                                       {QStringLiteral("name"), name},
                                       {QStringLiteral("value"), value}});
}

DBQAHistory::iterator DBQAHistory::beginReferences(int displayId, const QString& regulation)
{
    QVariantList parameters{displayId};
    const QString names = inList(DBHistory::regulationNames(regulation), parameters);
    return data_->query(QStringLiteral("SELECT * FROM QAReferences WHERE displayid = ? AND regulationid IN") +
                            names,
                        parameters);
}

bool DBQAHistory::cleanAccRefs(int displayId, const QString& regulation)
{
    QVariantList parameters{displayId};
    const QString names = inList(DBHistory::regulationNames(regulation), parameters);
    return data_->exec(QStringLiteral("DELETE FROM QAReferences WHERE displayid = ? AND regulationid IN") +
                           names,
                       parameters);
}

DBQAHistory::iterator DBQAHistory::beginResults(qint64 historyId)
{
    return data_->readinfo(RESULTS, {{QStringLiteral("historyid"), QString::number(historyId)}});
}

DBQAHistory::iterator DBQAHistory::beginResultParams(qint64 qaResultId)
{
    return data_->readinfo(PARAMS, {{QStringLiteral("qaresultid"), QString::number(qaResultId)}});
}

QString DBQAHistory::getResultParameter(qint64 qaResultId, const QString& name)
{
    return data_
        ->readinfo(PARAMS, {{QStringLiteral("qaresultid"), QString::number(qaResultId)},
                            {QStringLiteral("name"), name}})
        .value(QStringLiteral("value"));
}

DBQAHistory::iterator DBQAHistory::beginLastStepResults(int displayId, const QString& regulation,
                                                        int classification)
{
    QVariantList parameters{displayId};
    const QString names = inList(DBHistory::regulationNames(regulation), parameters);
    parameters << classification;
    return data_->query(
        QStringLiteral(
            "SELECT QAResults.stepid AS stepid, MAX(History.runtime) AS runtime, QAResults.result AS result, "
            "QAResults.stepname AS stepname FROM History CROSS JOIN QAResults ON History.historyid = "
            "QAResults.historyid WHERE History.deviceid = ? AND QAResults.regulationid IN") +
            names +
            QStringLiteral(
                " AND QAResults.classificationid = ? AND History.isdisabled = 0 GROUP BY QAResults.stepid "
                "ORDER BY QAResults.stepid"),
        parameters);
}

bool DBQAHistory::IsAcceptanceMade(int displayId, const QString& regulation)
{
    return lastAcceptanceDate(displayId, regulation) > 0;
}

qint64 DBQAHistory::lastAcceptanceDate(int displayId, const QString& regulation)
{
    return DBHistory().acceptanceDatePerformedOnAnyVideoAdapter(displayId, regulation);
}

bool DBQAHistory::isAnyTaskMade(int displayId, const QString& regulation)
{
    QVariantList parameters{displayId};
    const QString names = inList(DBHistory::regulationNames(regulation), parameters);
    return !data_
                ->query(QStringLiteral(
                            "SELECT 1 FROM History CROSS JOIN QAResults ON History.historyid = "
                            "QAResults.historyid WHERE History.deviceid = ? AND History.isdisabled = 0 "
                            "AND QAResults.regulationid IN") +
                            names + QStringLiteral(" LIMIT 1"),
                        parameters)
                .IsNull();
}

QMap<int, bool> DBQAHistory::getWasExecuted(const QString& regulation, int classification)
{
    QMap<int, bool> flags;
    DBTransaction transaction(data_);
    // Only the few flagged rows are read, through the flag's index: a step without one reads
    // false. The unary plus keeps SQLite off the (regulationid, stepid) index, which it would
    // otherwise prefer, reading every result of the regulation.
    for (auto it = data_->query(
             QStringLiteral("SELECT DISTINCT stepid, 1 AS isexec FROM QAResults WHERE "
                            "(qaresult_isexec > 0 OR qaresult_isexec < 0) AND +regulationId = ? AND "
                            "+classificationId = ?"),
             {regulation, classification});
         !it.IsNull(); ++it)
        flags.insert(it.value(QStringLiteral("stepid")).toInt(),
                     it.value(QStringLiteral("isexec")).toInt() != 0);
    // Rows already cleared are left alone: rewriting every result of the regulation on
    // each plan rebuild would cost more than the whole plan.
    if (!flags.isEmpty() &&
        !data_->exec(QStringLiteral("UPDATE QAResults SET qaresult_isexec = 0 WHERE (qaresult_isexec > 0 OR "
                                    "qaresult_isexec < 0) AND +regulationId = ? AND +classificationId = ?"),
                     {regulation, classification})) {
        transaction.failTransaction();
        qWarning() << "DBQAHistory::getWasExecuted could not clear the flags";
    }
    return flags;
}

bool DBQAHistory::updateRegulationNames(const QString& oldName, const QString& newName)
{
    return data_->exec(QStringLiteral("UPDATE QAResults SET regulationid = ? WHERE regulationid = ?"),
                       {newName, oldName});
}
