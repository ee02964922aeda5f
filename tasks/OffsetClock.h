#pragma once

#include "tasks/Clock.h"

#include <atomic>

// The wall clock moved by a settable offset: a simulated workstation's clock, which
// runs on with real time and jumps when its operator advances it.
class OffsetClock : public Clock
{
    Q_OBJECT
public:
    using Clock::Clock;

    qint64 msecsSinceEpoch() const override;

    void setOffsetSeconds(qint64 seconds);

private:
    std::atomic<qint64> m_offsetMsecs{0};
};
