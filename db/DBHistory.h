#pragma once

#include "db/KaldoDataIterator.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>

class KaldoDynamicData;
class QSqlQuery;

// One history record per calibration, conformance check, QA run or profile, and
// the QA questions the planner asks of them. Disabled records never count for QA.
class DBHistory
{
public:
    using iterator = KaldoDataIterator;
    static const QString TABLE;
    static constexpr int RESULT_PASSED = 2;
    // What an acceptance run's name contains.
    static const QString ACCEPTANCE_TEXT;

    // Last run, last result and last successful run of one step on one display.
    struct StepRuns
    {
        qint64 lastRun = 0;
        int lastResult = -1;
        qint64 lastSuccess = 0;
    };

    DBHistory();

    qint64 addRecord(int displayId, const QString& textName, int type, int result, qint64 time);
    bool setHistoryResult(qint64 historyId, int result);
    bool setHistoryDate(qint64 historyId, qint64 time);
    bool SetDisabled(qint64 historyId, bool disabled);
    bool deleteRecord(qint64 historyId);

    qint64 getRuntime(qint64 historyId);
    QString getTestName(qint64 historyId);
    int GetDispId(qint64 historyId);
    int getHistoryType(qint64 historyId);
    int getType(qint64 historyId) { return getHistoryType(historyId); }
    int getResult(qint64 historyId);
    bool isDisabled(qint64 historyId);
    bool isSynchronizeNeed(qint64 historyId);
    // The name of a kind of run; QA runs are named after their regulation.
    static QString getTypeName(int type, const QString& regulationName = QString());

    iterator begin();
    iterator begin(qint64 from, qint64 to);
    iterator begin(qint64 historyId);
    iterator beginByDisplayId(int displayId);
    iterator beginNotSynchronized();
    bool setSynchronizeNeed(qint64 historyId, bool need);
    bool setAllSynchronizeNeed(bool need);
    qint64 countNotSynchronized();
    // Older records carry the display only in deviceid.
    bool fillDisplayIdsForCompatibility();

    // The names a regulation may be stored under ("DIN 6868-57" was once "DIN").
    static QStringList regulationNames(const QString& regulation);
    // `classification` < 0 leaves the classification out of the question.
    qint64 getQARuntime(int displayId, const QString& regulation, int stepId, int classification = -1);
    qint64 getSuccessQARuntime(int displayId, const QString& regulation, int stepId, int classification = -1);
    qint64 getSuccessQARuntimePlanned(int displayId, const QString& regulation, int stepId,
                                      int classification = -1);
    // -1 when the step never ran.
    int getQAResult(int displayId, const QString& regulation, int stepId, int classification = -1);
    // The last run, result and last success of every step of a display.
    QMap<int, StepRuns> stepRuns(int displayId, const QString& regulation, int classification);
    // The same for the planner, reading the history newest first and only as far back as
    // needed: until every step of `settle` has its last run, result and last success. Steps
    // of `lastOf` get at least their last run and result; other steps met on the way keep
    // their last run and result, their last success may be missing.
    QMap<int, StepRuns> stepRuns(int displayId, const QString& regulation, int classification,
                                 const QList<int>& settle, const QList<int>& lastOf);

    // Acceptance: a passed record whose name holds ACCEPTANCE_TEXT with results of the regulation.
    qint64 acceptanceDatePerformedOnAnyVideoAdapter(int displayId, const QString& regulation);
    bool wasPerformedOnAnyVideoAdapter(int displayId, const QString& regulation);
    // On the video card with that key; a display without recorded cards counts as on its current one.
    bool wasPerformed(int displayId, const QString& regulation, const QString& boardKey);
    bool stepIdWasPerformed(int displayId, int stepId, const QString& boardKey);
    bool stepWasPerformedOnAnyVideoAdapter(int displayId, const QString& regulation, int stepId,
                                           int classification);

    bool GetDisplayHistory(int displayId, qint64 from, qint64 to, QList<qint64>& ids, bool onlyEnabled);
    qint64 GetFirstTestId(int displayId);
    qint64 GetLastTestId(int displayId, int type);

private:
    // Reads the display's step runs newest first into `runs`; with `pending` steps, only
    // until each of them has its last success. True when it ended before the last row.
    bool walkSteps(QMap<int, StepRuns>& runs, int displayId, const QStringList& names, int classification,
                   QSet<int>* pending);
    // Adds the last run and result of those `steps` that `runs` lacks.
    void addLastRuns(QMap<int, StepRuns>& runs, int displayId, const QStringList& names, int classification,
                     const QList<int>& steps);
    // Runs a query kept prepared on this connection and hands its rows to `row` until it
    // answers false. False when the statement failed (logged).
    bool walk(const QString& statement, const QVariantList& parameters,
              const std::function<bool(const QSqlQuery&)>& row);
    static void logFailure(const QSqlQuery& query, const QString& statement);
    QString field(qint64 historyId, const QString& column);
    qint64 qaValue(const QString& select, int displayId, const QString& regulation, int stepId,
                   int classification, const QString& extra, const QString& order, qint64 none);

    std::shared_ptr<KaldoDynamicData> data_;
};
