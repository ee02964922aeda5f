#include "qa/QAScheduling.h"

#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/DBHistory.h"
#include "db/DBPreferences.h"
#include "db/DBQAHistory.h"
#include "db/DBStatusDisplays.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "qa/Frequncies.h"
#include "qa/QASchedulingGroups.h"
#include "qa/QASchedulingSteps.h"
#include "qa/RegulationInfo.h"
#include "qa/RegulationSettings.h"

#include <QDateTime>
#include <QDebug>

#include <algorithm>

QAScheduling::QAScheduling(qint64 now) : m_now(now) {}

QList<int> QAScheduling::plannedDisplays()
{
    QASchedulingGroups tables; // makes sure Displays exists
    QList<int> ids;
    for (auto it = DB::get()->query(QStringLiteral("SELECT displayid FROM Displays WHERE isactive = 1 AND "
                                                   "displayid IN (SELECT id FROM CurrentDisplays) "
                                                   "ORDER BY displayid"));
         !it.IsNull(); ++it)
        ids << it.value(QStringLiteral("displayid")).toInt();
    return ids;
}

bool QAScheduling::isActiveAndConnected(int displayId)
{
    return !DB::get()
                ->query(QStringLiteral(
                            "SELECT 1 FROM Displays WHERE displayid = ? AND isactive = 1 AND displayid IN "
                            "(SELECT id FROM CurrentDisplays)"),
                        {displayId})
                .IsNull();
}

unsigned QAScheduling::GetDisplayRestriction(int displayId)
{
    DBDisplays displays;
    DBPreferences preferences;
    unsigned mask = 0;
    mask |= displays.getDisplayInfo(displayId, QStringLiteral("DisplayTechnology"))
                        .compare(QLatin1String("crt"), Qt::CaseInsensitive) == 0
                ? RESTRICTION_CRT
                : RESTRICTION_FLAT;
    mask |= displays.getDisplayInfo(displayId, QStringLiteral("TypeOfDisplay"))
                        .compare(QLatin1String("color"), Qt::CaseInsensitive) == 0
                ? RESTRICTION_COLOR
                : RESTRICTION_MONOCHROME;
    mask |= preferences.getValue(QStringLiteral("AmbientStable")).trimmed() == QLatin1String("1")
                ? RESTRICTION_STABLE_AMBIENT
                : RESTRICTION_UNSTABLE_AMBIENT;
    const QString backlight =
        displays.getDisplayInfo(displayId, QStringLiteral("BacklightStabilization")).trimmed();
    mask |= backlight == QLatin1String("1")   ? RESTRICTION_BACKLIGHT_CONTROL
            : backlight == QLatin1String("2") ? RESTRICTION_BACKLIGHT_WARNING
                                              : RESTRICTION_NO_BACKLIGHT_CONTROL;
    // Multi-display steps count the other displays that are active and attached now.
    const QList<int> planned = plannedDisplays();
    const bool others =
        std::any_of(planned.begin(), planned.end(), [displayId](int id) { return id != displayId; });
    mask |= others ? RESTRICTION_MULTI_DISPLAY : RESTRICTION_SINGLE_DISPLAY;
    return mask;
}

void QAScheduling::fillPreviousRunDataToCalculator(QASchedulingCalculator& calculator, int displayId,
                                                   const QString& regulation, int classification,
                                                   const QMap<int, bool>& wasExecuted)
{
    DBHistory history;
    const qint64 acceptance = history.acceptanceDatePerformedOnAnyVideoAdapter(displayId, regulation);
    const auto board = DB::get()->readinfo(QStringLiteral("CurrentDisplays"),
                                           {{QStringLiteral("id"), QString::number(displayId)}});
    const QString boardKey = board.value(QStringLiteral("video_adapter_key"));
    const bool onBoard = acceptance > 0 && history.wasPerformed(displayId, regulation, boardKey);

    QMap<int, qint64> last;
    QMap<int, qint64> success;
    QMap<int, bool> ok;
    QMap<int, bool> stepOnBoard;
    const QMap<int, DBHistory::StepRuns> runs = history.stepRuns(displayId, regulation, classification);
    for (auto it = runs.cbegin(); it != runs.cend(); ++it) {
        last.insert(it.key(), it->lastRun);
        success.insert(it.key(), it->lastSuccess);
        ok.insert(it.key(), it->lastResult == DBHistory::RESULT_PASSED);
        if (acceptance > 0 && !onBoard)
            stepOnBoard.insert(it.key(), history.stepIdWasPerformed(displayId, it.key(), boardKey));
    }
    calculator.setAcceptanceInfo(acceptance, acceptance > 0, onBoard, stepOnBoard);
    calculator.setDisplayRestriction(GetDisplayRestriction(displayId));
    calculator.setLastExecutions(last);
    calculator.setLastSuccessExecutions(success);
    calculator.setStatusOk(ok);
    calculator.setWasExecuted(wasExecuted);
}

void QAScheduling::fillExceptionsToCalculator(QASchedulingCalculator& calculator, int displayId)
{
    QMap<QString, QList<QASchedulingCalculator::Interval>> exceptions;
    for (auto it = QASchedulingGroups().beginExceptions(displayId); !it.IsNull(); ++it)
        exceptions[it.value(QStringLiteral("TaskKey"))].append(
            {it.value(QStringLiteral("dateFrom")).toLongLong(),
             it.value(QStringLiteral("dateTo")).toLongLong()});
    calculator.setExceptions(exceptions);
}

QStringList QAScheduling::groupKeys(int displayId)
{
    QStringList keys;
    for (auto it = QASchedulingGroups().beginByDisplay(displayId); !it.IsNull(); ++it)
        keys << it.value(QStringLiteral("TaskKey"));
    return keys;
}

void QAScheduling::cleanGarbageExceptions(int displayId, const QStringList& keys)
{
    QASchedulingGroups().delExceptions(displayId, keys);
}

bool QAScheduling::clearDatabase()
{
    return QASchedulingGroups().clear() &&
           DB::get()->execSql(QStringLiteral("DELETE FROM ") + QASchedulingGroups::REMIND);
}

int QAScheduling::saveTables(int firstGroupId, int displayId, const QASchedulingCalculator& calculator)
{
    DBDisplays displays;
    const QString displayName = displays.getDisplayInfo(displayId, QStringLiteral("Model")) +
                                QLatin1Char(' ') +
                                displays.getDisplayInfo(displayId, QStringLiteral("SerialNumber"));
    QASchedulingGroups groups;
    QASchedulingSteps steps;
    auto data = DB::get();
    int groupId = firstGroupId;
    for (int i = 0; i < calculator.groupsCount(); ++i, ++groupId) {
        const QAGroup& group = calculator.getGroup(i);
        groups.addRecord(
            {{QStringLiteral("groupid"), QString::number(groupId)},
             {QStringLiteral("displayid"), QString::number(displayId)},
             {QStringLiteral("qatype"), group.name},
             {QStringLiteral("displayname"), displayName},
             {QStringLiteral("nextdate"), QString::number(group.dueDate)},
             {QStringLiteral("nextdate_fixed"), QString::number(group.dueDateFixed)},
             {QStringLiteral("frequency"), QASchedulingCalculator::freqName(group.frequency)},
             {QStringLiteral("frequency_codes"), QString::number(group.frequency)},
             {QStringLiteral("lastrundate"),
              group.neverRun
                  ? QStringLiteral("Never")
                  : QDateTime::fromSecsSinceEpoch(group.lastRun).toString(QStringLiteral("yyyy.MM.dd"))},
             {QStringLiteral("issynchron"), QStringLiteral("0")},
             {QStringLiteral("TaskStatus"), group.statusOk ? QStringLiteral("0") : QStringLiteral("1")},
             {QStringLiteral("TaskKey"), group.key},
             {QStringLiteral("was_executed_this_week"), group.wasExecutedThisWeek ? "1" : "0"},
             {QStringLiteral("twiceweekphase"), QString::number(group.phase)}});
        for (const int step : group.stepIds)
            steps.addRecord(groupId, displayId, step);
        data->addinfo(QASchedulingGroups::REMIND,
                      {{QStringLiteral("nextdate"), QString::number(group.remindDate)},
                       {QStringLiteral("TaskKey"), group.key}});
    }
    return groupId;
}

void QAScheduling::refreshQAStatuses(int displayId, RegulationInfo* regulation,
                                     ClassificationInfo* classification)
{
    bool allOk = true;
    if (regulation && classification) {
        for (auto it = DBQAHistory().beginLastStepResults(displayId, regulation->GetRegulationIdName(),
                                                          classification->GetClassificationId());
             !it.IsNull(); ++it) {
            const int result = it.value(QStringLiteral("result")).toInt();
            qDebug().noquote() << "Last steps results. step=" << it.value(QStringLiteral("stepid"))
                               << " result=" << result;
            if (classification->stepIds().contains(it.value(QStringLiteral("stepid")).toInt()))
                allOk = allOk && result == DBHistory::RESULT_PASSED;
        }
    }
    DBStatusDisplays().SetStatusInfo(displayId, QStringLiteral("all_qa_steps_ok"),
                                     allOk ? QStringLiteral("1") : QStringLiteral("0"));
}

bool QAScheduling::RefreshFullInfo()
{
    qDebug() << "RefreshFullInfo";
    DBPreferences preferences;
    const QString regulationId = preferences.getValue(QStringLiteral("UsedRegulation"));
    const QString classificationId = preferences.getValue(QStringLiteral("UsedClassification"));
    const QString lastRegulation = preferences.getValue(QStringLiteral("UsedRegulationForLastScheduling"));
    const QString lastClassification =
        preferences.getValue(QStringLiteral("UsedClassificationForLastScheduling"));

    DBTransaction transaction;
    if (!transaction.started())
        return false;
    QASchedulingGroups groups;
    // The first plan ever counts as a change of regulation.
    if (lastRegulation.isEmpty() || regulationId != lastRegulation || classificationId != lastClassification)
        groups.cleanAllExceptions();
    else
        groups.cleanOldExceptions(m_now);

    RegulationInfo* regulation = RegulationSettings::instance()->GetRegulationById(regulationId);
    ClassificationInfo* classification =
        regulation ? regulation->GetClassificationById(classificationId.toInt()) : nullptr;

    m_previous.clear();
    for (auto it = groups.begin(); !it.IsNull(); ++it)
        m_previous.insert(it.value(QStringLiteral("TaskKey")),
                          {it.value(QStringLiteral("lastrundate")),
                           it.value(QStringLiteral("twiceweekphase")).toInt(),
                           it.value(QStringLiteral("was_executed_this_week")).toInt() != 0});
    const QMap<int, QStringList> previousKeys = [&] {
        QMap<int, QStringList> keys;
        for (auto it = groups.begin(); !it.IsNull(); ++it)
            keys[it.value(QStringLiteral("displayid")).toInt()] << it.value(QStringLiteral("TaskKey"));
        return keys;
    }();
    if (!clearDatabase()) {
        transaction.failTransaction();
        return false;
    }

    // The only reader of the executed flags: reading them clears them.
    const QMap<int, bool> wasExecuted =
        regulation && classification
            ? DBQAHistory().getWasExecuted(regulationId, classification->GetClassificationId())
            : QMap<int, bool>();
    int groupId = 1;
    for (const int displayId : plannedDisplays()) {
        DBTransaction displayTransaction;
        qDebug() << "display" << displayId << "group keys:" << previousKeys.value(displayId);
        QASchedulingCalculator calculator;
        calculator.setNow(m_now);
        calculator.setRegulation(regulation, classification);
        calculator.setDisplayId(displayId);
        calculator.setPrevious(m_previous);
        if (regulation && classification)
            fillPreviousRunDataToCalculator(calculator, displayId, regulationId,
                                            classification->GetClassificationId(), wasExecuted);
        fillExceptionsToCalculator(calculator, displayId);
        calculator.calculateGroups();
        groupId = saveTables(groupId, displayId, calculator);
        QStringList keys;
        for (int i = 0; i < calculator.groupsCount(); ++i)
            keys << calculator.getGroup(i).key;
        qDebug() << "display" << displayId << "groupid:" << groupId;
        cleanGarbageExceptions(displayId, keys);
        refreshQAStatuses(displayId, regulation, classification);
    }
    preferences.setValue(QStringLiteral("UsedRegulationForLastScheduling"), regulationId, false);
    preferences.setValue(QStringLiteral("UsedClassificationForLastScheduling"), classificationId, false);
    qDebug() << "RefreshFullInfo end";
    return true;
}
