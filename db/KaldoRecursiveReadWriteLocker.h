#pragma once

#include <QRecursiveMutex>

// The one lock that serialises every statement of the process. Reads, writes and
// transactions all take the same recursive mutex: a thread inside a transaction
// keeps every other thread's statements out until it commits or rolls back, and
// its own statements inside the transaction re-enter freely.
class KaldoRecursiveReadWriteLocker
{
public:
    static KaldoRecursiveReadWriteLocker& instance();

    void lockRead() { m_mutex.lock(); }
    void unlockRead() { m_mutex.unlock(); }
    void lockWrite() { m_mutex.lock(); }
    void unlockWrite() { m_mutex.unlock(); }
    void lockTransaction() { m_mutex.lock(); }
    void unlockTransaction() { m_mutex.unlock(); }

    // Holds the lock for reading for as long as it lives.
    class ReadScope
    {
    public:
        ReadScope() { instance().lockRead(); }
        ~ReadScope() { instance().unlockRead(); }
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;
    };

private:
    KaldoRecursiveReadWriteLocker() = default;
    QRecursiveMutex m_mutex;
};
