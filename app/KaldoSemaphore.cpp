#include "app/KaldoSemaphore.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/ProcessList.h"
#include "platform/SessionIdentity.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>

namespace {

// Serialises trylock and unlock of every semaphore of this process.
QMutex& processMutex()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

QString KaldoSemaphore::segmentKey(const QByteArray& key)
{
    return QString::fromLatin1(key) + QLatin1Char('.') + Platform::backend().session().sessionScope();
}

KaldoSemaphore::KaldoSemaphore(const QByteArray& key)
    : m_segment(segmentKey(key)), m_ownPid(QCoreApplication::applicationPid())
{
    attachShared();
}

KaldoSemaphore::~KaldoSemaphore()
{
    if (m_segment.isAttached())
        m_segment.detach();
}

bool KaldoSemaphore::attachShared()
{
    if (m_segment.attach(QSharedMemory::ReadWrite))
        return true;
    // A new segment comes zero-filled from the system. Writing the zero ourselves would race
    // with a process that attached in between and already took the lock.
    if (m_segment.create(sizeof(quint32), QSharedMemory::ReadWrite))
        return true;
    // Another process created it in between.
    return m_segment.attach(QSharedMemory::ReadWrite);
}

quint32 KaldoSemaphore::atomicRead()
{
    std::atomic_ref<quint32> word(*static_cast<quint32*>(m_segment.data()));
    return word.load();
}

void KaldoSemaphore::atomicWrite(quint32 value)
{
    std::atomic_ref<quint32> word(*static_cast<quint32*>(m_segment.data()));
    word.store(value);
}

bool KaldoSemaphore::atomicCAS(quint32 expected, quint32 value)
{
    std::atomic_ref<quint32> word(*static_cast<quint32*>(m_segment.data()));
    return word.compare_exchange_strong(expected, value);
}

bool KaldoSemaphore::internalLock()
{
    if (m_held)
        return true;
    m_held = atomicCAS(0, static_cast<quint32>(m_ownPid));
    return m_held;
}

bool KaldoSemaphore::internalUnlock()
{
    if (m_held) {
        atomicWrite(0);
        m_held = false;
    }
    return true;
}

void KaldoSemaphore::cleanCrashedLock()
{
    const quint32 value = atomicRead();
    if (value == 0)
        return;
    const ProcessList& processes = Platform::backend().processList();
    if (!processes.snapshot())
        qWarning() << "can't list processes";
    if (!processes.isRunning(value))
        atomicCAS(value, 0);
}

bool KaldoSemaphore::trylock()
{
    QMutexLocker locker(&processMutex());
    if (!m_segment.isAttached())
        attachShared();
    if (!m_segment.isAttached())
        return false;
    if (m_held)
        return true;
    if (internalLock())
        return true;
    cleanCrashedLock();
    return internalLock();
}

bool KaldoSemaphore::unlock()
{
    QMutexLocker locker(&processMutex());
    if (!m_segment.isAttached())
        attachShared();
    if (!m_segment.isAttached())
        return false;
    internalUnlock();
    return true;
}

quint32 KaldoSemaphore::holder()
{
    QMutexLocker locker(&processMutex());
    if (!m_segment.isAttached() && !attachShared())
        return 0;
    return atomicRead();
}

bool KaldoSemaphore::forceClear()
{
    QMutexLocker locker(&processMutex());
    if (!m_segment.isAttached() && !attachShared())
        return false;
    atomicWrite(0);
    m_held = false;
    return true;
}
