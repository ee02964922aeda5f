#pragma once

#include <QObject>

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

signals:
    // The time jumped (set or advanced by hand): sleepers must look at it again.
    void changed();
};
