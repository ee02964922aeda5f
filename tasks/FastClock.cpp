#include "tasks/FastClock.h"

#include <algorithm>
#include <cmath>

FastClock::FastClock(double rate, qint64 startSecondsSinceEpoch, QObject* parent)
    : Clock(parent), m_rate(std::max(rate, 1.0)), m_startMsecs(startSecondsSinceEpoch * 1000)
{
    m_elapsed.start();
}

qint64 FastClock::msecsSinceEpoch() const
{
    return m_startMsecs + static_cast<qint64>(static_cast<double>(m_elapsed.nsecsElapsed()) / 1e6 * m_rate);
}

std::chrono::milliseconds FastClock::realSpan(std::chrono::milliseconds span) const
{
    if (span.count() <= 0)
        return std::chrono::milliseconds(0);
    // Rounded up: a sleeper woken a moment early would look, find nothing due, and spin.
    return std::chrono::milliseconds(
        std::max<qint64>(1, static_cast<qint64>(std::ceil(static_cast<double>(span.count()) / m_rate))));
}

std::chrono::milliseconds FastClock::clockSpan(std::chrono::milliseconds real) const
{
    return std::chrono::milliseconds(static_cast<qint64>(static_cast<double>(real.count()) * m_rate));
}
