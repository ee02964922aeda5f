#pragma once

#include "db/DBChangeStamp.h"
#include "qa/QADueWork.h"

#include <QtGlobal>

// The scheduler's memory of its last look at the QA plan and the due work. The plan is made
// of the database, the regulations and the day; the due work of the plan, the user's tasks
// and the time. A look in which no connection changed the database, the regulations were
// not read again, the day did not turn and no stored due date or postponement boundary was
// reached can learn nothing new: it neither rebuilds the plan nor reads the due work again.
// Used by one thread at a time (its stamps belong to that thread's connection).
class DueWorkCache
{
public:
    // The due work at `now`, after rebuilding the plan unless it is known to be current.
    const QADueWork& at(qint64 now);
    // Whether the last at() answered from memory, without reading the database beyond its stamp.
    bool lastWasReused() const { return m_reused; }
    // Plan rebuilds made so far.
    int rebuilds() const { return m_rebuilds; }
    void forget() { m_known = false; }

private:
    bool m_known = false;
    bool m_reused = false;
    int m_rebuilds = 0;
    DBChangeStamp m_stamp;
    quint64 m_regulations = 0;
    // The plan and the due work hold from m_from up to, not including, m_until.
    qint64 m_from = 0;
    qint64 m_until = 0;
    QADueWork m_due;
};
