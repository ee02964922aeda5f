#pragma once

#include <QByteArray>

#include <memory>

class KaldoSemaphore;

// A named busy lock shared with the main application and every other process of
// this session. Each object holds the lock at most once; objects are not shared
// between threads.
class KaldoSharedMemory
{
public:
    // `retries` bounds the waiting loop of Lock (0 waits until the lock is free).
    KaldoSharedMemory(const QByteArray& key, const QByteArray& ownerLabel, int retries = 0,
                      bool lockAtOnce = false);
    ~KaldoSharedMemory();
    KaldoSharedMemory(const KaldoSharedMemory&) = delete;
    KaldoSharedMemory& operator=(const KaldoSharedMemory&) = delete;

    bool Lock();
    bool Unlock();
    // True when anyone (this object included) holds the lock.
    bool IsLocked();

    bool isHeld() const { return m_held; }
    const QByteArray& key() const { return m_key; }
    const QByteArray& ownerLabel() const { return m_ownerLabel; }

    // Administrator diagnostics: the process id in the lock word (0 when free),
    // read without touching the lock; a stale id of an ended process is reported
    // as it is (see holderIsRunning).
    quint32 holderProcessId();
    static bool holderIsRunning(quint32 processId);
    // Frees the lock whoever holds it (the administrator's escape hatch); false when
    // the lock could not be reached or does not read free afterwards.
    bool forceRelease();

private:
    std::unique_ptr<KaldoSemaphore> m_semaphore;
    int m_retries = 0;
    QByteArray m_key;
    QByteArray m_ownerLabel;
    bool m_held = false;
};
