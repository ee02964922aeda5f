#pragma once

#include "tasks/Clock.h"

#include <atomic>
#include <limits>
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

    // Whether the wall clock was set since the last look, seen from how far it moved
    // against the monotonic clock; emits changed() when it was, as no sleeper is woken by
    // it otherwise. Something that wakes anyway looks; the first look only takes note.
    bool noticeStep();
    // The same with both clocks read by the caller (ms).
    bool noticeStep(qint64 wallMs, qint64 monotonicMs);
    // noticeStep() on the shared instance.
    static bool noticeSharedStep();

private:
    std::atomic<qint64> m_offset{std::numeric_limits<qint64>::min()};
};
