#include "tasks/SystemClock.h"

#include <QDateTime>

qint64 SystemClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::shared_ptr<Clock> SystemClock::shared()
{
    static const std::shared_ptr<Clock> instance = std::make_shared<SystemClock>();
    return instance;
}
