#pragma once

#include "tasks/Clock.h"

#include <atomic>

// A clock that only moves when told to; every move wakes the sleepers.
class ManualClock : public Clock
{
    Q_OBJECT
public:
    explicit ManualClock(qint64 secondsSinceEpoch, QObject* parent = nullptr);

    qint64 msecsSinceEpoch() const override;

    void setSeconds(qint64 secondsSinceEpoch);
    void advanceSeconds(qint64 seconds);

private:
    std::atomic<qint64> m_msecs;
};
