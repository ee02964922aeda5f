#pragma once

#include <QByteArray>
#include <QFile>

// The raw cross-process lock: a 4-byte shared word holding the process id of the
// holder, or 0 when free. The word is a file mapped into memory in the user's
// private runtime folder, so no other account can see, squat or change it (a
// named segment in a system-wide namespace can be pre-created by anyone). Only
// KaldoSharedMemory uses it.
class KaldoSemaphore
{
public:
    explicit KaldoSemaphore(const QByteArray& key);
    ~KaldoSemaphore();
    KaldoSemaphore(const KaldoSemaphore&) = delete;
    KaldoSemaphore& operator=(const KaldoSemaphore&) = delete;

    // The platform segment name for a lock key: the same for every process of one session.
    static QString segmentKey(const QByteArray& key);
    // The file that carries the word of `key`; empty without a usable runtime folder.
    static QString segmentFile(const QByteArray& key);

    bool attachShared();
    bool trylock();
    bool unlock();
    bool isHeld() const { return m_held; }

    // Diagnostics for administrators: the process id in the word (0 when free).
    // Reads only; a stale id is reported as it is.
    quint32 holder();
    // Clears a lock whatever process holds it; true only when the word now reads 0.
    bool forceClear();

private:
    bool internalLock();
    bool internalUnlock();
    void cleanCrashedLock();

    quint32 atomicRead();
    void atomicWrite(quint32 value);
    bool atomicCAS(quint32 expected, quint32 value);

    bool isAttached() const { return m_word != nullptr; }

    QByteArray m_key;
    QFile m_file;
    quint32* m_word = nullptr;
    bool m_held = false;
    qint64 m_ownPid = 0;
};
