#include "tasks/DueWorkCache.h"

#include "qa/QAScheduling.h"
#include "qa/QASchedulingCalculator.h"
#include "qa/RegulationSettings.h"

#include <QDateTime>

namespace {

bool nothingDue(const QADueWork& due)
{
    return due.userTasks.isEmpty() && due.dueGroups.isEmpty() && due.enabledGroupIds.empty();
}

qint64 nextMidnight(qint64 now)
{
    return QDateTime::fromSecsSinceEpoch(QASchedulingCalculator::startOfDay(now))
        .addDays(1)
        .toSecsSinceEpoch();
}

} // namespace

const QADueWork& DueWorkCache::at(qint64 now)
{
    const DBChangeStamp before = DBChangeStamp::take();
    const quint64 regulations = RegulationSettings::instance()->generation();
    // A clock set back, or moved past what was known, is a new situation as well.
    const bool current =
        m_known && before.matches(m_stamp) && regulations == m_regulations && now >= m_from && now < m_until;
    m_reused = current && nothingDue(m_due);
    if (m_reused)
        return m_due;
    if (!current) {
        // The main application writes history at any time: plan from the latest.
        QAScheduling(now).RefreshFullInfo();
        ++m_rebuilds;
    }
    m_due = QADueWork::collect(now);
    const qint64 next = QADueWork::nextChange(now);
    const qint64 midnight = nextMidnight(now);
    m_until = next > 0 ? std::min(next, midnight) : midnight;
    m_from = now;
    m_regulations = regulations;
    m_stamp = DBChangeStamp::take();
    // What another connection committed while this look read is seen by the next one.
    m_known = before.isSet() && m_stamp.othersQuietSince(before);
    return m_due;
}
