#include "app/KaldoSharedMemory.h"

#include "app/KaldoSemaphore.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/ProcessList.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

namespace {

constexpr int pollIntervalMs = 100;

// Waiting on the GUI thread keeps the tray responsive; a worker thread only sleeps.
void processEventsIfMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents();
}

} // namespace

KaldoSharedMemory::KaldoSharedMemory(const QByteArray& key, const QByteArray& ownerLabel, int retries,
                                     bool lockAtOnce)
    : m_semaphore(std::make_unique<KaldoSemaphore>(key)), m_retries(retries), m_key(key),
      m_ownerLabel(ownerLabel)
{
    if (lockAtOnce)
        Lock();
}

KaldoSharedMemory::~KaldoSharedMemory()
{
    Unlock();
    m_semaphore.reset();
}

bool KaldoSharedMemory::Lock()
{
    if (!m_semaphore || m_held)
        return false;

    // Clears a stale lock of a dead process; leaves a live holder's lock alone.
    if (m_semaphore->trylock())
        m_semaphore->unlock();

    for (int i = 0;;) {
        if (m_held)
            return true;
        m_held = m_semaphore->trylock();
        if (m_held)
            return true;
        processEventsIfMainThread();
        QThread::msleep(pollIntervalMs);
        processEventsIfMainThread();
        if (m_retries < i)
            return false;
        if (m_retries != 0)
            ++i;
    }
}

bool KaldoSharedMemory::Unlock()
{
    if (!m_semaphore)
        return !m_held;
    if (!m_held)
        return true; // never release a lock that another object holds
    if (!m_semaphore->unlock())
        return !m_held;
    m_held = false;
    return true;
}

bool KaldoSharedMemory::IsLocked()
{
    if (m_held)
        return true;
    if (!m_semaphore)
        return true;
    if (m_semaphore->trylock())
        m_semaphore->unlock();
    if (!m_semaphore->trylock())
        return true;
    m_semaphore->unlock();
    return false;
}

quint32 KaldoSharedMemory::holderProcessId()
{
    return m_semaphore ? m_semaphore->holder() : 0;
}

bool KaldoSharedMemory::holderIsRunning(quint32 processId)
{
    if (processId == 0)
        return false;
    const ProcessList& processes = Platform::backend().processList();
    if (!processes.snapshot())
        qWarning() << "can't list processes";
    return processes.isRunning(processId);
}

bool KaldoSharedMemory::forceRelease()
{
    m_held = false;
    return m_semaphore && m_semaphore->forceClear();
}
