#pragma once

#include "db/DBHistory.h"
#include "qa/QASchedulingCalculator.h"

#include <QHash>
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
    // The rows of a plan as they are stored: groups, their steps, their reminders.
    struct PlanRows
    {
        QList<QMap<QString, QString>> groups;
        QList<QStringList> steps;
        QList<QStringList> reminders;
        bool operator==(const PlanRows&) const = default;
    };
    // Appends the display's groups, numbered from `firstGroupId`, to `rows`; answers the next free id.
    int saveTables(int firstGroupId, int displayId, const QASchedulingCalculator& calculator, PlanRows& rows);
    bool clearDatabase();
    QStringList groupKeys(int displayId);
    void cleanGarbageExceptions(int displayId, const QStringList& keys);
    // `wasExecuted`: the flags of the regulation and classification, read once per rebuild.
    // Answers the step runs it read, for the display's status values.
    // History is read only as far back as the display's planned steps need; every step of
    // the classification gets its last result.
    QMap<int, DBHistory::StepRuns> fillPreviousRunDataToCalculator(QASchedulingCalculator& calculator,
                                                                   int displayId, const QString& regulation,
                                                                   int classification,
                                                                   const QMap<int, bool>& wasExecuted,
                                                                   bool others);
    void fillExceptionsToCalculator(QASchedulingCalculator& calculator, int displayId);
    // `runs`: the display's last step results, as the plan read them.
    void refreshQAStatuses(int displayId, ClassificationInfo* classification,
                           const QMap<int, DBHistory::StepRuns>& runs);
    // `others`: whether another display is active and attached now.
    unsigned GetDisplayRestriction(int displayId, bool others);

    // Displays that are active in the display table and attached now (a row of the current-display snapshot).
    static QList<int> plannedDisplays();
    static bool isActiveAndConnected(int displayId);

private:
    static PlanRows storedRows();
    static bool writeRows(const PlanRows& rows);
    // Reads once for every display what the plan asks of each: their settings, their
    // postponements and their stored QA status.
    void loadDisplayFacts();
    QString displayInfo(int displayId, const QString& name);

    qint64 m_now;
    QMap<QString, QASchedulingCalculator::Previous> m_previous;
    bool m_factsLoaded = false;
    QHash<int, QHash<QString, QString>> m_displayInfo;
    QString m_ambientStable;
    QHash<int, QMap<QString, QList<QASchedulingCalculator::Interval>>> m_exceptions;
    QHash<int, QString> m_allStepsOk;
};
