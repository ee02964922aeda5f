#pragma once

#include <QByteArray>
#include <QSharedMemory>

// The raw cross-process lock: a 4-byte shared segment holding the process id of
// the holder, or 0 when free. Only KaldoSharedMemory uses it.
class KaldoSemaphore
{
public:
    explicit KaldoSemaphore(const QByteArray& key);
    ~KaldoSemaphore();
    KaldoSemaphore(const KaldoSemaphore&) = delete;
    KaldoSemaphore& operator=(const KaldoSemaphore&) = delete;

    // The platform segment name for a lock key: the same for every process of one session.
    static QString segmentKey(const QByteArray& key);

    bool attachShared();
    bool trylock();
    bool unlock();
    bool isHeld() const { return m_held; }

    // Diagnostics for administrators: the process id in the word (0 when free).
    quint32 holder();
    // Clears a lock whatever process holds it.
    bool forceClear();

private:
    bool internalLock();
    bool internalUnlock();
    void cleanCrashedLock();

    quint32 atomicRead();
    void atomicWrite(quint32 value);
    bool atomicCAS(quint32 expected, quint32 value);

    QSharedMemory m_segment;
    bool m_held = false;
    qint64 m_ownPid = 0;
};
