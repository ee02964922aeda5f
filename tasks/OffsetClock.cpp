#include "tasks/OffsetClock.h"

#include <QDateTime>

qint64 OffsetClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch() + m_offsetMsecs.load();
}

void OffsetClock::setOffsetSeconds(qint64 seconds)
{
    m_offsetMsecs.store(seconds * 1000);
    emit changed();
}
