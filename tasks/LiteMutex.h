#pragma once

#include "tasks/ServedWait.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>

// Busy flag of a task that may go on working after its run() returned. It is not a
// thread lock: it keeps the runner's thread waiting, with that thread's events
// served, until the task says it is done.
class LiteMutex : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void lock();
    bool isLocked() const { return m_locked.load(); }

    // Waits until unlock(), serving events meanwhile. `giveUp` is asked after every
    // wake-up; when it answers true the wait ends with the flag still set. Without a
    // wake() the waiter looks again after `recheck` (asked before each sleep; the
    // default is a minute). Returns whether the flag was cleared.
    bool waitForUnlock(const std::function<bool()>& giveUp = {},
                       const std::function<std::chrono::milliseconds()>& recheck = {});

    // Makes a waiter look at its give-up condition now. Safe from any thread.
    void wake();

public slots:
    void unlock();

private:
    std::atomic<bool> m_locked{false};
    ServedWait m_wait;
};
