#pragma once

#include "tasks/Clock.h"

#include <memory>

// The wall clock of the workstation.
class SystemClock : public Clock
{
    Q_OBJECT
public:
    using Clock::Clock;

    qint64 msecsSinceEpoch() const override;

    // One shared instance for every task that was given no clock.
    static std::shared_ptr<Clock> shared();
};
