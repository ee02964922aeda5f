#pragma once

#include <QObject>

#include <chrono>

// The time source of the task engine. Everything that decides when a task falls due
// reads the time here, so tests can move time by hand and the runner can sleep until
// the next due time instead of polling.
class Clock : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual qint64 msecsSinceEpoch() const = 0;
    // Whole seconds since 1970, the unit of every task time.
    qint64 now() const;
    // How long a thread sleeps for `span` of this clock to pass (a clock that runs faster
    // than the wall clock passes it sooner). Never zero for a positive span.
    virtual std::chrono::milliseconds realSpan(std::chrono::milliseconds span) const { return span; }
    // The reverse: how much of this clock passes while a thread works for `real`. Bounds on
    // work done at the machine's own pace (an answer from the tray) are given this way.
    virtual std::chrono::milliseconds clockSpan(std::chrono::milliseconds real) const { return real; }

signals:
    // The time jumped (set or advanced by hand): sleepers must look at it again.
    void changed();
};
