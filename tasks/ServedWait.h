#pragma once

#include <QMutex>

#include <chrono>

class QEventLoop;

// A sleep of the calling thread that keeps serving that thread's events and ends
// early when another thread calls wake(). A wake() that comes while nobody sleeps is
// remembered, so the next wait returns at once: no wake-up is ever lost.
class ServedWait
{
public:
    ServedWait() = default;
    ServedWait(const ServedWait&) = delete;
    ServedWait& operator=(const ServedWait&) = delete;

    void wait(std::chrono::milliseconds bound);
    // Safe from any thread.
    void wake();

private:
    QMutex m_mutex;
    QEventLoop* m_loop = nullptr;
    bool m_pending = false;
};
