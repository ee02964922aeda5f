#pragma once

#include "tasks/Clock.h"

#include <QElapsedTimer>

// The wall clock sped up: from a chosen start it runs `rate` times faster, so days of
// tasks, energy-save hours and plans pass in minutes on the simulated workstation.
class FastClock : public Clock
{
public:
    FastClock(double rate, qint64 startSecondsSinceEpoch, QObject* parent = nullptr);

    qint64 msecsSinceEpoch() const override;
    std::chrono::milliseconds realSpan(std::chrono::milliseconds span) const override;
    std::chrono::milliseconds clockSpan(std::chrono::milliseconds real) const override;
    double rate() const { return m_rate; }

private:
    const double m_rate;
    const qint64 m_startMsecs;
    QElapsedTimer m_elapsed;
};
