#include "qa/QAScheduling.h"

#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/DBHistory.h"
#include "db/DBPreferences.h"
#include "db/DBQAHistory.h"
#include "db/DBStatusDisplays.h"
#include "db/DBTransaction.h"
#include "db/KaldoDynamicData.h"
#include "qa/ClassificationInfo.h"
#include "qa/Frequncies.h"
#include "qa/QASchedulingGroups.h"
#include "qa/QASchedulingSteps.h"
#include "qa/RegulationInfo.h"
#include "qa/RegulationSettings.h"

#include <QDateTime>
#include <QDebug>
#include <QScopeGuard>

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

void QAScheduling::loadDisplayFacts()
{
    // Makes sure the tables read below exist.
    const DBDisplays displays;
    const DBStatusDisplays statuses;
    auto data = DB::get();
    m_displayInfo.clear();
    m_exceptions.clear();
    m_allStepsOk.clear();
    // The first row of a name wins, as in a read of that name alone.
    for (auto it = data->query(QStringLiteral(
             "SELECT displayid, name, value FROM DisplayInfo WHERE name IN ('DisplayTechnology', "
             "'TypeOfDisplay', 'BacklightStabilization', 'Model', 'SerialNumber') ORDER BY rowid"));
         !it.IsNull(); ++it) {
        QHash<QString, QString>& info = m_displayInfo[it.value(QStringLiteral("displayid")).toInt()];
        const QString name = it.value(QStringLiteral("name"));
        if (!info.contains(name))
            info.insert(name, it.value(QStringLiteral("value")));
    }
    m_ambientStable = DBPreferences().getValue(QStringLiteral("AmbientStable"));
    for (auto it = data->query(QStringLiteral("SELECT displayid, TaskKey, dateFrom, dateTo FROM ") +
                               QASchedulingGroups::EXCEPTIONS + QStringLiteral(" ORDER BY rowid"));
         !it.IsNull(); ++it)
        m_exceptions[it.value(QStringLiteral("displayid")).toInt()][it.value(QStringLiteral("TaskKey"))]
            .append({it.value(QStringLiteral("dateFrom")).toLongLong(),
                     it.value(QStringLiteral("dateTo")).toLongLong()});
    for (auto it =
             data->query(QStringLiteral("SELECT displayid, limitvalue FROM StatusDisplays WHERE limitname = "
                                        "'all_qa_steps_ok' ORDER BY rowid"));
         !it.IsNull(); ++it) {
        const int display = it.value(QStringLiteral("displayid")).toInt();
        if (!m_allStepsOk.contains(display))
            m_allStepsOk.insert(display, it.value(QStringLiteral("limitvalue")));
    }
    m_factsLoaded = true;
}

QString QAScheduling::displayInfo(int displayId, const QString& name)
{
    if (m_factsLoaded)
        return m_displayInfo.value(displayId).value(name);
    return DBDisplays().getDisplayInfo(displayId, name);
}

unsigned QAScheduling::GetDisplayRestriction(int displayId, bool others)
{
    unsigned mask = 0;
    mask |= displayInfo(displayId, QStringLiteral("DisplayTechnology"))
                        .compare(QLatin1String("crt"), Qt::CaseInsensitive) == 0
                ? RESTRICTION_CRT
                : RESTRICTION_FLAT;
    mask |= displayInfo(displayId, QStringLiteral("TypeOfDisplay"))
                        .compare(QLatin1String("color"), Qt::CaseInsensitive) == 0
                ? RESTRICTION_COLOR
                : RESTRICTION_MONOCHROME;
    const QString ambient =
        m_factsLoaded ? m_ambientStable : DBPreferences().getValue(QStringLiteral("AmbientStable"));
    mask |=
        ambient.trimmed() == QLatin1String("1") ? RESTRICTION_STABLE_AMBIENT : RESTRICTION_UNSTABLE_AMBIENT;
    const QString backlight = displayInfo(displayId, QStringLiteral("BacklightStabilization")).trimmed();
    mask |= backlight == QLatin1String("1")   ? RESTRICTION_BACKLIGHT_CONTROL
            : backlight == QLatin1String("2") ? RESTRICTION_BACKLIGHT_WARNING
                                              : RESTRICTION_NO_BACKLIGHT_CONTROL;
    // Multi-display steps count the other displays that are active and attached now.
    mask |= others ? RESTRICTION_MULTI_DISPLAY : RESTRICTION_SINGLE_DISPLAY;
    return mask;
}

QMap<int, DBHistory::StepRuns>
QAScheduling::fillPreviousRunDataToCalculator(QASchedulingCalculator& calculator, int displayId,
                                              const QString& regulation, int classification,
                                              const QMap<int, bool>& wasExecuted, bool others)
{
    DBHistory history;
    const qint64 acceptance = history.acceptanceDatePerformedOnAnyVideoAdapter(displayId, regulation);
    QString boardKey;
    bool onBoard = false;
    if (acceptance > 0) {
        const auto board = DB::get()->readinfo(QStringLiteral("CurrentDisplays"),
                                               {{QStringLiteral("id"), QString::number(displayId)}});
        boardKey = board.value(QStringLiteral("video_adapter_key"));
        onBoard = history.wasPerformed(displayId, regulation, boardKey);
    }
    calculator.setDisplayRestriction(GetDisplayRestriction(displayId, others));

    QMap<int, qint64> last;
    QMap<int, qint64> success;
    QMap<int, bool> ok;
    QMap<int, bool> stepOnBoard;
    // The planned steps need their last run and last success; the status values the last
    // result of every step of the classification, which a step that does not apply here
    // and never ran must not make the walk read the whole history for.
    const ClassificationInfo* info = calculator.classification();
    const QMap<int, DBHistory::StepRuns> runs =
        history.stepRuns(displayId, regulation, classification, calculator.plannedStepIds(),
                         info ? info->stepIds() : QList<int>());
    for (auto it = runs.cbegin(); it != runs.cend(); ++it) {
        last.insert(it.key(), it->lastRun);
        success.insert(it.key(), it->lastSuccess);
        ok.insert(it.key(), it->lastResult == DBHistory::RESULT_PASSED);
        if (acceptance > 0 && !onBoard)
            stepOnBoard.insert(it.key(), history.stepIdWasPerformed(displayId, it.key(), boardKey));
    }
    calculator.setAcceptanceInfo(acceptance, acceptance > 0, onBoard, stepOnBoard);
    calculator.setLastExecutions(last);
    calculator.setLastSuccessExecutions(success);
    calculator.setStatusOk(ok);
    calculator.setWasExecuted(wasExecuted);
    return runs;
}

void QAScheduling::fillExceptionsToCalculator(QASchedulingCalculator& calculator, int displayId)
{
    if (m_factsLoaded) {
        calculator.setExceptions(m_exceptions.value(displayId));
        return;
    }
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

int QAScheduling::saveTables(int firstGroupId, int displayId, const QASchedulingCalculator& calculator,
                             PlanRows& rows)
{
    if (calculator.groupsCount() == 0)
        return firstGroupId;
    const QString displayName = displayInfo(displayId, QStringLiteral("Model")) + QLatin1Char(' ') +
                                displayInfo(displayId, QStringLiteral("SerialNumber"));
    const QString display = QString::number(displayId);
    int groupId = firstGroupId;
    for (int i = 0; i < calculator.groupsCount(); ++i, ++groupId) {
        const QAGroup& group = calculator.getGroup(i);
        const QString id = QString::number(groupId);
        rows.groups.append(
            {{QStringLiteral("groupid"), id},
             {QStringLiteral("displayid"), display},
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
             {QStringLiteral("TaskStatus"), group.statusOk ? QStringLiteral("0") : QStringLiteral("1")},
             {QStringLiteral("TaskKey"), group.key},
             {QStringLiteral("was_executed_this_week"), group.wasExecutedThisWeek ? "1" : "0"},
             {QStringLiteral("twiceweekphase"), QString::number(group.phase)}});
        std::vector<int> steps = group.stepIds;
        std::sort(steps.begin(), steps.end());
        for (const int step : steps)
            rows.steps.append({id, display, QString::number(step)});
        rows.reminders.append({QString::number(group.remindDate), group.key});
    }
    return groupId;
}

namespace {

// The columns the plan writes; "issynchron" is the synchronisation's.
const QStringList kGroupColumns{QStringLiteral("groupid"),       QStringLiteral("displayid"),
                                QStringLiteral("qatype"),        QStringLiteral("displayname"),
                                QStringLiteral("nextdate"),      QStringLiteral("nextdate_fixed"),
                                QStringLiteral("frequency"),     QStringLiteral("frequency_codes"),
                                QStringLiteral("lastrundate"),   QStringLiteral("TaskStatus"),
                                QStringLiteral("TaskKey"),       QStringLiteral("was_executed_this_week"),
                                QStringLiteral("twiceweekphase")};

void sortRows(QList<QStringList>& rows)
{
    std::sort(rows.begin(), rows.end(), [](const QStringList& a, const QStringList& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    });
}

} // namespace

QAScheduling::PlanRows QAScheduling::storedRows()
{
    auto data = DB::get();
    PlanRows rows;
    for (auto it = data->query(QStringLiteral("SELECT ") + kGroupColumns.join(QLatin1Char(',')) +
                               QStringLiteral(" FROM QASchedulingGroups ORDER BY groupid"));
         !it.IsNull(); ++it) {
        QMap<QString, QString> row;
        for (const QString& column : kGroupColumns)
            row.insert(column, it.value(column));
        rows.groups.append(row);
    }
    for (auto it = data->query(QStringLiteral("SELECT groupid, displayid, stepid FROM QASchedulingSteps"));
         !it.IsNull(); ++it)
        rows.steps.append({it.value(QStringLiteral("groupid")), it.value(QStringLiteral("displayid")),
                           it.value(QStringLiteral("stepid"))});
    for (auto it = data->query(QStringLiteral("SELECT nextdate, TaskKey FROM ") + QASchedulingGroups::REMIND);
         !it.IsNull(); ++it)
        rows.reminders.append({it.value(QStringLiteral("nextdate")), it.value(QStringLiteral("TaskKey"))});
    return rows;
}

bool QAScheduling::writeRows(const PlanRows& rows)
{
    if (!QASchedulingGroups().clear() ||
        !DB::get()->execSql(QStringLiteral("DELETE FROM ") + QASchedulingGroups::REMIND))
        return false;
    QASchedulingGroups groups;
    QASchedulingSteps steps;
    auto data = DB::get();
    bool ok = true;
    for (QMap<QString, QString> group : rows.groups) {
        group.insert(QStringLiteral("issynchron"), QStringLiteral("0"));
        ok = groups.addRecord(group) && ok;
    }
    for (const QStringList& step : rows.steps)
        ok = steps.addRecord(step.at(0).toInt(), step.at(1).toInt(), step.at(2).toInt()) && ok;
    for (const QStringList& reminder : rows.reminders)
        ok = data->addinfo(QASchedulingGroups::REMIND, {{QStringLiteral("nextdate"), reminder.at(0)},
                                                        {QStringLiteral("TaskKey"), reminder.at(1)}}) &&
             ok;
    return ok;
}

void QAScheduling::refreshQAStatuses(int displayId, ClassificationInfo* classification,
                                     const QMap<int, DBHistory::StepRuns>& runs)
{
    bool allOk = true;
    if (classification) {
        for (auto it = runs.cbegin(); it != runs.cend(); ++it) {
            qDebug().noquote() << "Last steps results. step=" << it.key() << " result=" << it->lastResult;
            if (classification->stepIds().contains(it.key()))
                allOk = allOk && it->lastResult == DBHistory::RESULT_PASSED;
        }
    }
    const QString value = allOk ? QStringLiteral("1") : QStringLiteral("0");
    if (!m_factsLoaded || m_allStepsOk.value(displayId, QStringLiteral("none")) != value)
        DBStatusDisplays().SetStatusInfo(displayId, QStringLiteral("all_qa_steps_ok"), value);
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

    // One transaction for the whole plan: the due query never sees half of it, and a
    // rebuild that changes nothing writes nothing.
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

    loadDisplayFacts();
    // The facts hold for this rebuild only.
    const auto forgetFacts = qScopeGuard([this] { m_factsLoaded = false; });
    const PlanRows stored = storedRows();
    m_previous.clear();
    QMap<int, QStringList> previousKeys;
    for (const QMap<QString, QString>& row : stored.groups) {
        const QString key = row.value(QStringLiteral("TaskKey"));
        m_previous.insert(key, {row.value(QStringLiteral("lastrundate")),
                                row.value(QStringLiteral("twiceweekphase")).toInt(),
                                row.value(QStringLiteral("was_executed_this_week")).toInt() != 0});
        previousKeys[row.value(QStringLiteral("displayid")).toInt()] << key;
    }

    // The only reader of the executed flags: reading them clears them.
    const QMap<int, bool> wasExecuted =
        regulation && classification
            ? DBQAHistory().getWasExecuted(regulationId, classification->GetClassificationId())
            : QMap<int, bool>();
    const QList<int> displays = plannedDisplays();
    PlanRows planned;
    int groupId = 1;
    for (const int displayId : displays) {
        qDebug() << "display" << displayId << "group keys:" << previousKeys.value(displayId);
        QASchedulingCalculator calculator;
        calculator.setNow(m_now);
        calculator.setRegulation(regulation, classification);
        calculator.setDisplayId(displayId);
        calculator.setPrevious(m_previous);
        QMap<int, DBHistory::StepRuns> runs;
        if (regulation && classification)
            runs = fillPreviousRunDataToCalculator(calculator, displayId, regulationId,
                                                   classification->GetClassificationId(), wasExecuted,
                                                   displays.size() > 1);
        fillExceptionsToCalculator(calculator, displayId);
        calculator.calculateGroups();
        groupId = saveTables(groupId, displayId, calculator, planned);
        QStringList keys;
        for (int i = 0; i < calculator.groupsCount(); ++i)
            keys << calculator.getGroup(i).key;
        qDebug() << "display" << displayId << "groupid:" << groupId;
        // Postponements whose group is gone; none when the groups stayed as they were.
        if (keys != previousKeys.value(displayId))
            cleanGarbageExceptions(displayId, keys);
        refreshQAStatuses(displayId, regulation ? classification : nullptr, runs);
    }
    PlanRows sorted = planned;
    PlanRows current = stored;
    for (PlanRows* rows : {&sorted, &current}) {
        sortRows(rows->steps);
        sortRows(rows->reminders);
    }
    if (sorted == current) {
        qDebug() << "RefreshFullInfo plan unchanged";
    } else if (!writeRows(planned)) {
        transaction.failTransaction();
        return false;
    }
    preferences.setValue(QStringLiteral("UsedRegulationForLastScheduling"), regulationId, false);
    preferences.setValue(QStringLiteral("UsedClassificationForLastScheduling"), classificationId, false);
    qDebug() << "RefreshFullInfo end";
    return true;
}
