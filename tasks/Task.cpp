#include "tasks/Task.h"

#include "tasks/SystemClock.h"

#include <QDateTime>
#include <QDebug>

#include <algorithm>
#include <exception>

Task::Task(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock,
           QObject* parent)
    : QObject(parent), m_runLock(this), m_name(name), m_timeout(timeout), m_first(first),
      m_clock(clock ? std::move(clock) : SystemClock::shared())
{
    const qint64 now = m_clock->now();
    // "Due now" is one period ago, so a deferral moves the task forward like any other.
    m_lastRun = first >= 0 ? now + first - timeout : now - timeout;
    // A task that goes on after run() ends itself through finished(); direct, so the
    // flag drops in whichever thread says so and the waiting runner wakes at once.
    connect(this, &Task::finished, &m_runLock, &LiteMutex::unlock, Qt::DirectConnection);
    // A clock that jumps may have passed the answer bound.
    connect(m_clock.get(), &Clock::changed, &m_runLock, &LiteMutex::wake, Qt::DirectConnection);
}

Task::~Task() = default;

unsigned long Task::timeout() const
{
    return static_cast<unsigned long>(static_cast<quint32>(m_timeout.load()));
}

void Task::setTimeout(unsigned long seconds)
{
    m_timeout.store(static_cast<qint64>(seconds));
}

quint64 Task::nextRun() const
{
    const qint64 now = m_clock->now();
    const qint64 lastRun = m_lastRun.load();
    // A last run in the future means the clock was set back: the task is due now.
    // Deferrals moved the last run forward on purpose, so they do not count: without
    // that, deferring a task with a period under the deferral would make it due again
    // at once, for ever.
    if (now + m_first.load() + m_deferred.load() >= lastRun)
        return static_cast<quint64>(std::max(lastRun + m_timeout.load(), m_quietUntil.load()));
    return static_cast<quint64>(now);
}

void Task::start(const std::function<bool()>& stopRequested)
{
    m_terminate.store(false);
    // A stop that came before this start still counts, also for a task that polls.
    if (stopRequested && stopRequested())
        m_terminate.store(true);
    m_runLock.lock();
    m_quietUntil.store(0);
    runGuarded();
    // The answer comes from work done at the machine's pace, whatever pace the clock keeps.
    const qint64 deadlineMs =
        m_clock->msecsSinceEpoch() +
        m_clock->clockSpan(std::chrono::duration_cast<std::chrono::milliseconds>(m_answerBound)).count();
    const bool finishedInTime = m_runLock.waitForUnlock(
        [&] {
            return m_terminate.load() || (stopRequested && stopRequested()) || answerBoundPassed(deadlineMs);
        },
        [&] {
            // Look again when the answer bound runs out; a clock jump wakes the wait anyway.
            return m_answerBound.count() > 0
                       ? m_clock->realSpan(std::chrono::milliseconds(deadlineMs - m_clock->msecsSinceEpoch()))
                       : std::chrono::milliseconds::max();
        });
    if (!finishedInTime) {
        if (m_terminate.load() || (stopRequested && stopRequested()))
            qDebug().noquote() << "Task::start() -" << m_name << "terminated before it finished";
        else
            qWarning().noquote() << "Task::start() -" << m_name << "gave no answer within"
                                 << m_answerBound.count() << "s, the runner goes on";
        runAbandoned();
        m_runLock.unlock();
    }
    m_lastRun.store(m_clock->now());
    m_first.store(0);
    m_deferred.store(0);
}

// A task that throws must not take the runner's thread down with it; it counts as
// finished, so it is due again only after its period.
void Task::runGuarded()
{
    try {
        run();
    } catch (const std::exception& error) {
        qWarning().noquote() << "Task::start() -" << m_name << "failed:" << error.what();
        m_runLock.unlock();
    } catch (...) {
        qWarning().noquote() << "Task::start() -" << m_name << "failed with an unknown exception";
        m_runLock.unlock();
    }
}

bool Task::answerBoundPassed(qint64 deadlineMs) const
{
    return m_answerBound.count() > 0 && m_clock->msecsSinceEpoch() >= deadlineMs;
}

bool Task::endQuiet(qint64 changedAtMs)
{
    // What the run itself wrote, or what was there when it read, is older than its choice.
    if (changedAtMs <= m_quietChosenAtMs.load())
        return false;
    return m_quietUntil.exchange(0) != 0;
}

void Task::setQuietUntil(qint64 time)
{
    // Real time, as changes are stamped by the file system, whatever pace the task's clock keeps.
    m_quietChosenAtMs.store(QDateTime::currentMSecsSinceEpoch());
    m_quietUntil.store(time);
}

void Task::shiftLastRun(int seconds)
{
    m_lastRun.fetch_add(seconds);
    m_deferred.fetch_add(seconds);
}

bool Task::terminateIfNeed()
{
    const bool terminating = m_terminate.load();
    if (terminating)
        emit finished();
    return terminating;
}

void Task::terminate()
{
    m_terminate.store(true);
    m_runLock.wake();
}
