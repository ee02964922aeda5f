#pragma once

#include "qa/steps/QAStep.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class DBQAHistory;
class HistoryPreferences;

// One stored QA run read back for people and for the upload: where the display stands,
// what it is and what measured it, then every step as its own class reports it.
class QAResult
{
public:
    using Row = QPair<QString, QString>;
    using Table = QPair<QString, QList<Row>>;
    using StepReport = QPair<int, QAStep::ReportInfo>;

    // Reads the entry at once; `flag` is handed to GetData.
    QAResult(qint64 historyId, bool flag = false);
    ~QAResult();

    // -1 until read and for an entry that does not exist; 2 for passed.
    int GetResult() const { return m_result; }
    QString GetRegulation() const { return m_regulationId; }
    void getRegulationClassificationIds(QString& regulation, QString& classification) const;
    qint64 historyId() const { return m_historyId; }
    QString testName() const { return m_testName; }
    qint64 runtime() const { return m_runtime; }
    int displayId() const { return m_displayId; }
    bool isAcceptance() const { return m_acceptance; }

    const QList<Table>& headerTables() const { return m_headerTables; }
    void CreateHeaderTableInfo(const QString& title, const QList<Row>& rows);
    bool GetHeaderTableByName(const QString& title, QList<Row>& rows) const;

    void GetVisualStepsInfo(QList<StepReport>& list) const { list = m_visual; }
    void GetScoreStepsInfo(QList<StepReport>& list) const { list = m_score; }
    void GetMeasurementStepsInfo(QList<StepReport>& list) const { list = m_measurement; }
    // Every step in stored order, whatever its kind.
    const QList<StepReport>& allSteps() const { return m_all; }
    // The stored rows behind allSteps()[index]: name -> value and name -> reference.
    using Params = QPair<QMap<QString, QString>, QMap<QString, QString>>;
    Params storedParams(int index) const { return m_stored.value(index); }
    void GetResultLines(QStringList& lines, QList<int>& stepIds) const;

private:
    void GetData(bool flag);
    void GetHeaderInfo();

    std::unique_ptr<DBQAHistory> m_history;
    std::unique_ptr<HistoryPreferences> m_preferences;
    qint64 m_historyId = -1;
    int m_result = -1;
    QString m_testName;
    qint64 m_runtime = 0;
    int m_displayId = -1;
    bool m_acceptance = false;
    QString m_regulationId;
    QString m_classificationId;
    QList<Table> m_headerTables;
    QList<StepReport> m_visual;
    QList<StepReport> m_score;
    QList<StepReport> m_measurement;
    QList<StepReport> m_all;
    QList<Params> m_stored;
    QStringList m_resultLines;
    QList<int> m_resultStepIds;
};
