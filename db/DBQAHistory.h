#pragma once

#include "db/KaldoDataIterator.h"

#include <QMap>
#include <QString>

#include <memory>

class KaldoDynamicData;

// The QA side of the history: step results with their measured values, and the
// reference values taken at a display's acceptance test.
class DBQAHistory
{
public:
    using iterator = KaldoDataIterator;
    static const QString RESULTS;
    static const QString PARAMS;
    static const QString REFERENCES;

    DBQAHistory();

    qint64 addStepResult(qint64 historyId, const QString& regulation, int classification, int stepId,
                         int stepType, int result, const QString& stepName, const QString& comment,
                         int frequency, qint64 plannedTime, bool executed = true);
    bool addResultParams(qint64 qaResultId, const QString& name, const QString& value,
                         const QString& reference);
    bool addRefsValue(int displayId, const QString& regulation, bool acceptanceOnly, const QString& name,
                      const QString& value);
    iterator beginReferences(int displayId, const QString& regulation);
    bool cleanAccRefs(int displayId, const QString& regulation);
    iterator beginResults(qint64 historyId);
    iterator beginResultParams(qint64 qaResultId);
    QString getResultParameter(qint64 qaResultId, const QString& name);
    // The latest result of every step of a display under a regulation and classification.
    iterator beginLastStepResults(int displayId, const QString& regulation, int classification);
    bool IsAcceptanceMade(int displayId, const QString& regulation);
    qint64 lastAcceptanceDate(int displayId, const QString& regulation);
    bool isAnyTaskMade(int displayId, const QString& regulation);
    // Step -> "was executed" flag; the read clears the flags of the regulation and
    // classification, so only the plan rebuild may call it.
    QMap<int, bool> getWasExecuted(const QString& regulation, int classification);
    bool updateRegulationNames(const QString& oldName, const QString& newName);

private:
    std::shared_ptr<KaldoDynamicData> data_;
};
