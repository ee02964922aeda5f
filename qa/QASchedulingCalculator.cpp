#include "qa/QASchedulingCalculator.h"

#include "qa/ClassificationInfo.h"
#include "qa/Frequncies.h"
#include "qa/RegulationInfo.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

// Calendar months of one period, 0 for periods counted in days.
int periodMonths(int code)
{
    switch (code) {
    case FREQ_MONTHLY:
        return 1;
    case FREQ_QUARTERLY:
        return 3;
    case FREQ_SEMIANNUALLY:
        return 6;
    case FREQ_ANNUALLY:
        return 12;
    case FREQ_FIVE_YEARS:
        return 60;
    default:
        return 0;
    }
}

int periodDays(int code)
{
    switch (code) {
    case FREQ_DAILY:
        return 1;
    case FREQ_WEEKLY:
        return 7;
    case FREQ_TWO_WEEKS:
        return 14;
    default:
        return 0;
    }
}

// Whole periods added in one date operation, so month ends do not drift.
qint64 addPeriods(int code, qint64 time, int n)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(time);
    if (const int months = periodMonths(code))
        return local.addMonths(months * n).toSecsSinceEpoch();
    if (const int days = periodDays(code))
        return local.addDays(static_cast<qint64>(days) * n).toSecsSinceEpoch();
    return time;
}

QString dayText(qint64 time)
{
    return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("yyyy.MM.dd"));
}

} // namespace

void QASchedulingCalculator::setRegulation(RegulationInfo* regulation, ClassificationInfo* classification)
{
    m_regulation = regulation;
    m_classification = classification;
}

void QASchedulingCalculator::setAcceptanceInfo(qint64 time, bool done, bool onThisBoard,
                                               const QMap<int, bool>& stepOnBoard)
{
    m_acceptanceTime = time;
    m_acceptanceDone = done;
    m_acceptanceOnBoard = onThisBoard;
    m_stepOnBoard = stepOnBoard;
}

QString QASchedulingCalculator::freqName(int code)
{
    static const char* const names[] = {"Daily",           "Weekly",           "Monthly",
                                        "Quaterly",        "Semiannually",     "Annually",
                                        "Every two weeks", "Every five years", "Twice a week"};
    if (code < 0 || code > FREQ_TWICE_A_WEEK)
        return {};
    return QCoreApplication::translate("QASchedulingCalculator", names[code]);
}

QString QASchedulingCalculator::freqNamePart(int code)
{
    static const char* const names[] = {"Day",         "Week",   "Month",   "Quater",
                                        "Semiannual",  "Annual", "2 weeks", "Every five years",
                                        "Twice a week"};
    if (code < 0 || code > FREQ_TWICE_A_WEEK)
        return {};
    return QCoreApplication::translate("QASchedulingCalculator", names[code]);
}

qint64 QASchedulingCalculator::freqStep(int code, qint64 time, int n, int& phase)
{
    if (code == FREQ_TWICE_A_WEEK) {
        const bool shortStep = phase == 1;
        phase = shortStep ? 0 : 1;
        return QDateTime::fromSecsSinceEpoch(time)
            .addDays(static_cast<qint64>(shortStep ? 3 : 4) * n)
            .toSecsSinceEpoch();
    }
    return addPeriods(code, time, n);
}

qint64 QASchedulingCalculator::freqPrevRun(int code, qint64 time)
{
    int phase = 0;
    return freqStep(code, time, -1, phase);
}

qint64 QASchedulingCalculator::startOfDay(qint64 time)
{
    return QDateTime::fromSecsSinceEpoch(time).date().startOfDay().toSecsSinceEpoch();
}

QString QASchedulingCalculator::groupKey(int displayId, std::vector<int> stepIds)
{
    std::sort(stepIds.begin(), stepIds.end());
    QString text = QString::number(displayId);
    for (const int id : stepIds)
        text += QLatin1Char('|') + QString::number(id);
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

const QAGroup* QASchedulingCalculator::findGroup(const QString& key) const
{
    for (const QAGroup& group : m_groups) {
        if (group.key == key)
            return &group;
    }
    return nullptr;
}

std::vector<int> QASchedulingCalculator::getStepIds() const
{
    std::vector<int> ids;
    for (const QAGroup& group : m_groups)
        ids.insert(ids.end(), group.stepIds.begin(), group.stepIds.end());
    return ids;
}

bool QASchedulingCalculator::calculateGroups()
{
    m_groups.clear();
    if (!m_regulation || !m_classification) {
        qDebug() << "QASchedulingCalculator::calculateGroups no regulation/classification";
        return false;
    }
    if (m_classification->IsAccTestMandatory() && !m_acceptanceDone) {
        qDebug() << "QASchedulingCalculator::calculateGroups no acceptance test";
        return true;
    }
    if (m_classification->IsAccTestMandatory() && m_classification->GraphicCardReaction() == 0 &&
        !m_acceptanceOnBoard) {
        qDebug() << "QASchedulingCalculator::calculateGroups acceptance test on wrong graphicboard";
        return true;
    }
    groupAllSteps();
    nameAllGroups();
    calcGroupKeys();
    restoreWasExecutedThisWeek();
    calcGroupStatuses();
    calcGroupRunDates();
    return true;
}

QList<int> QASchedulingCalculator::plannedStepIds() const
{
    QList<int> ids;
    if (!m_regulation || !m_classification)
        return ids;
    for (const int id : m_classification->stepIds()) {
        StepInfo* step = m_regulation->GetStepById(id);
        if (!step)
            continue;
        step->SetStepMode(m_classification->GetClassificationId(), m_mask);
        if (!step->IsEmpty() && step->GetFrequency() >= 0)
            ids << id;
    }
    return ids;
}

void QASchedulingCalculator::groupAllSteps()
{
    for (const int id : plannedStepIds()) {
        // plannedStepIds() left the step in the display's restriction set.
        const StepInfo* step = m_regulation->GetStepById(id);
        const int frequency = step->GetFrequency();
        auto group = std::find_if(m_groups.begin(), m_groups.end(), [&](const QAGroup& g) {
            return g.frequency == frequency && g.stepType == step->GetStepType();
        });
        if (group == m_groups.end()) {
            m_groups.push_back({});
            group = std::prev(m_groups.end());
            group->frequency = frequency;
            group->stepType = step->GetStepType();
        }
        group->stepIds.push_back(id);
        // A step that never ran counts as run at time 0.
        group->stepLastRuns[id] = m_lastExecutions.value(id, 0);
    }
}

void QASchedulingCalculator::nameAllGroups()
{
    for (QAGroup& group : m_groups) {
        QString type = group.stepType;
        if (!type.isEmpty())
            type[0] = type[0].toUpper();
        group.name = type + QStringLiteral(" - ") + freqNamePart(group.frequency);
    }
}

void QASchedulingCalculator::calcGroupKeys()
{
    for (QAGroup& group : m_groups)
        group.key = groupKey(m_displayId, group.stepIds);
}

void QASchedulingCalculator::restoreWasExecutedThisWeek()
{
    for (QAGroup& group : m_groups) {
        const auto previous = m_previous.constFind(group.key);
        if (previous != m_previous.constEnd())
            group.wasExecutedThisWeek = previous->wasExecutedThisWeek;
        for (const int id : group.stepIds)
            group.wasExecutedThisWeek = group.wasExecutedThisWeek || m_wasExecuted.value(id, false);
    }
}

void QASchedulingCalculator::calcGroupStatuses()
{
    // A step without a result has nothing against it: only a failed last result clears the status.
    for (QAGroup& group : m_groups) {
        group.statusOk = std::all_of(group.stepIds.begin(), group.stepIds.end(),
                                     [this](int id) { return m_statusOk.value(id, true); });
    }
}

qint64 QASchedulingCalculator::alignedDueDate(int code, qint64 origin, qint64 base) const
{
    // The smallest k >= 1 whose origin + k periods lies after the base, each
    // computed from the origin in one operation.
    int k = 1;
    qint64 date = addPeriods(code, origin, k);
    while (date <= base && k < 100000) {
        ++k;
        date = addPeriods(code, origin, k);
    }
    return date;
}

void QASchedulingCalculator::calcGroupRunDates()
{
    const qint64 today = startOfDay(m_now);
    for (QAGroup& group : m_groups) {
        qint64 earliest = std::numeric_limits<qint64>::max();
        qint64 latest = 0;
        for (const auto& entry : group.stepLastRuns) {
            earliest = std::min(earliest, entry.second);
            latest = std::max(latest, entry.second);
        }
        group.neverRun = latest == 0;
        group.lastRun = group.neverRun ? 0 : (group.statusOk ? earliest : latest);
        const qint64 last = group.neverRun ? today : group.lastRun;
        const qint64 base = startOfDay(last);

        // Twice a week alternates from one run to the next: the phase moves on only
        // when the group ran since the last plan, so rebuilding keeps its due date.
        const auto previous = m_previous.constFind(group.key);
        const QString lastDay = group.neverRun ? QStringLiteral("Never") : dayText(group.lastRun);
        int phase = 0;
        if (previous != m_previous.constEnd())
            phase = previous->lastRunDate == lastDay ? previous->phase : (previous->phase == 1 ? 0 : 1);
        group.phase = phase;

        qint64 due = 0;
        const bool aligned =
            m_acceptanceTime > 0 && group.frequency > 0 && group.frequency != FREQ_TWICE_A_WEEK;
        if (aligned) {
            due = alignedDueDate(group.frequency, startOfDay(m_acceptanceTime), base);
        } else if (group.neverRun && group.statusOk) {
            due = base;
        } else {
            int stepPhase = phase;
            due = freqStep(group.frequency, base, 1, stepPhase);
        }
        if (m_acceptanceDone && !m_acceptanceOnBoard && m_classification->GraphicCardReaction() == 1 &&
            std::any_of(group.stepIds.begin(), group.stepIds.end(),
                        [this](int id) { return m_stepOnBoard.value(id, false); }))
            due = today;
        // Overdue groups are due now: today's local midnight.
        group.dueDateFixed = std::max(due, today);
        int exceptionPhase = phase;
        group.dueDate =
            std::max(applyException(group.key, due, base, group.frequency, exceptionPhase), today);
        group.remindDate = group.dueDate;
    }
}

qint64 QASchedulingCalculator::applyException(const QString& key, qint64 date, qint64 previous, int code,
                                              int& phase) const
{
    const QList<Interval> intervals = m_exceptions.value(key);
    // Each pass moves the date forward or stops; the bound only guards against bad rows.
    for (int pass = 0; pass < 64; ++pass) {
        bool moved = false;
        for (const Interval& interval : intervals) {
            // A postponement covers its whole closed interval.
            if (date >= interval.first && date <= interval.second && date != interval.second) {
                date = interval.second;
                moved = true;
                if (date == previous)
                    date = freqStep(code, date, 1, phase);
            }
        }
        if (!moved)
            break;
    }
    return date;
}
