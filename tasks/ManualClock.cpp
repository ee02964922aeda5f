#include "tasks/ManualClock.h"

ManualClock::ManualClock(qint64 secondsSinceEpoch, QObject* parent)
    : Clock(parent), m_msecs(secondsSinceEpoch * 1000)
{
}

qint64 ManualClock::msecsSinceEpoch() const
{
    return m_msecs.load();
}

void ManualClock::setSeconds(qint64 secondsSinceEpoch)
{
    m_msecs.store(secondsSinceEpoch * 1000);
    emit changed();
}

void ManualClock::advanceSeconds(qint64 seconds)
{
    m_msecs.fetch_add(seconds * 1000);
    emit changed();
}
