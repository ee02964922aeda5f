#pragma once

#include "qa/QASchedulingCalculator.h"

#include <QList>
#include <QString>
#include <QStringList>

class ClassificationInfo;
class RegulationInfo;

// Rebuilds the stored QA plan of every active, connected display from the
// regulation in force, the history and the postponements.
class QAScheduling
{
public:
    // `now`: the time the plan is made at, seconds since 1970.
    explicit QAScheduling(qint64 now);

    bool RefreshFullInfo();
    int saveTables(int firstGroupId, int displayId, const QASchedulingCalculator& calculator);
    bool clearDatabase();
    QStringList groupKeys(int displayId);
    void cleanGarbageExceptions(int displayId, const QStringList& keys);
    // `wasExecuted`: the flags of the regulation and classification, read once per rebuild.
    void fillPreviousRunDataToCalculator(QASchedulingCalculator& calculator, int displayId,
                                         const QString& regulation, int classification,
                                         const QMap<int, bool>& wasExecuted);
    void fillExceptionsToCalculator(QASchedulingCalculator& calculator, int displayId);
    void refreshQAStatuses(int displayId, RegulationInfo* regulation, ClassificationInfo* classification);
    unsigned GetDisplayRestriction(int displayId);

    // Displays that are active in the display table and attached now (a row of the current-display snapshot).
    static QList<int> plannedDisplays();
    static bool isActiveAndConnected(int displayId);

private:
    qint64 m_now;
    QMap<QString, QASchedulingCalculator::Previous> m_previous;
};
