#include "tasks/ServedWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

void ServedWait::wait(std::chrono::milliseconds bound)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may end a long sleep a little early, which costs a second wake-up.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    bool alreadyWoken = false;
    {
        const QMutexLocker locker(&m_mutex);
        alreadyWoken = m_pending;
        m_pending = false;
        m_loop = alreadyWoken ? nullptr : &loop;
    }
    if (alreadyWoken) {
        // Woken before we slept: still serve what is queued, as a sleep would have.
        QCoreApplication::processEvents();
        return;
    }
    timer.start(std::max(bound, std::chrono::milliseconds(0)));
    loop.exec();
    const QMutexLocker locker(&m_mutex);
    m_loop = nullptr;
    m_pending = false;
}

void ServedWait::wake()
{
    const QMutexLocker locker(&m_mutex);
    if (m_loop != nullptr)
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
    else
        m_pending = true;
}
