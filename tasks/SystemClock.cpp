#include "tasks/SystemClock.h"

#include <QDateTime>

#include <chrono>
#include <cstdlib>

namespace {
// What time servers slew is far less; a set clock moves by more.
constexpr qint64 stepToleranceMs = 2000;
} // namespace

qint64 SystemClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

std::shared_ptr<Clock> SystemClock::shared()
{
    static const std::shared_ptr<Clock> instance = std::make_shared<SystemClock>();
    return instance;
}

bool SystemClock::noticeStep()
{
    const auto monotonic = std::chrono::steady_clock::now().time_since_epoch();
    return noticeStep(QDateTime::currentMSecsSinceEpoch(),
                      std::chrono::duration_cast<std::chrono::milliseconds>(monotonic).count());
}

bool SystemClock::noticeStep(qint64 wallMs, qint64 monotonicMs)
{
    const qint64 offset = wallMs - monotonicMs;
    const qint64 previous = m_offset.exchange(offset);
    if (previous == std::numeric_limits<qint64>::min() || std::llabs(offset - previous) <= stepToleranceMs)
        return false;
    emit changed();
    return true;
}

bool SystemClock::noticeSharedStep()
{
    return static_cast<SystemClock*>(shared().get())->noticeStep();
}
