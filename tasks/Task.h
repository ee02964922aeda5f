#pragma once

#include "tasks/LiteMutex.h"
#include "tasks/StepsInfo.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class Clock;

// Base of every background task: a name, a period, a delay before the first run and
// the work itself. A task ends with finished(), either inside run() or later, when
// the work it started (a dialog, a measurement, a child process) is done.
class Task : public QObject
{
    Q_OBJECT
public:
    // The first run falls due `first` seconds from now; a negative `first` makes the
    // task due now. Without a clock the system clock is used.
    Task(const QString& name, qint64 timeout, qint64 first, std::shared_ptr<const Clock> clock = {},
         QObject* parent = nullptr);
    ~Task() override;

    QString name() const { return m_name; }
    unsigned long timeout() const;
    void setTimeout(unsigned long seconds);
    quint64 nextRun() const;
    qint64 lastRun() const { return m_lastRun.load(); }
    qint64 first() const { return m_first.load(); }
    // Until this time (seconds since 1970 on the task's clock) a run could change nothing,
    // so the task is not due before it whatever its period says; 0 when it keeps its period.
    qint64 quietUntil() const { return m_quietUntil.load(); }
    // Something a quiet task reads may have changed at `changedAtMs` (real time, ms since
    // 1970): unless that was before the task chose its quiet, it keeps its period again.
    // Returns whether it was quiet.
    bool endQuiet(qint64 changedAtMs = std::numeric_limits<qint64>::max());
    const Clock& clock() const { return *m_clock; }

    // Runs the task and returns once it has finished, was terminated, let its answer
    // bound pass, or `stopRequested` (asked whenever the wait wakes) says so. The
    // predicate covers a stop that comes before start() has cleared the terminate flag.
    void start(const std::function<bool()>& stopRequested = {});
    void shiftLastRun(int seconds);
    // When terminate() was called, ends the task (emits finished()) and returns true.
    bool terminateIfNeed();
    bool isTerminating() const { return m_terminate.load(); }

public slots:
    virtual bool isDisposable() const { return false; }
    virtual bool canWorkInSleep() const { return false; }
    virtual void run() = 0;
    virtual void terminate();
    virtual void acceptedQATasks() {}
    virtual void rejectedQATasks() {}
    virtual void acceptedUserTasks() {}
    virtual void rejectedUserTasks() {}
    virtual void slotTaskFinish() {}

signals:
    void disableContextMenu();
    void enableContextMenu();
    void refreshContextMenu();
    void notifyAboutQATasks(std::vector<int> groupIds);
    void notifyAboutUserTasks(int taskId, bool background);
    void finished();
    void showUpdateWindow(QString version, QString link);
    void showMessage(QString text);
    void signalInfo(StepsInfo info);

protected:
    // The longest the runner waits for finished() once run() has returned; zero
    // waits until finished() or the runner's stop. Measured on the task's clock.
    void setAnswerBound(std::chrono::seconds bound) { m_answerBound = bound; }
    // Called from run(): nothing for this task to do before `time` unless endQuiet() says
    // otherwise. Each start forgets it.
    void setQuietUntil(qint64 time);
    // Called on the runner's thread when the runner stops waiting for finished()
    // (bound passed, terminated, stop): a task drops what it holds for the run here.
    virtual void runAbandoned() {}

private:
    void runGuarded();
    bool answerBoundPassed(qint64 deadlineMs) const;

    LiteMutex m_runLock;
    const QString m_name;
    std::atomic<qint64> m_lastRun;
    std::atomic<qint64> m_timeout;
    std::atomic<qint64> m_first;
    // Seconds the last run was shifted since the last start.
    std::atomic<qint64> m_deferred{0};
    std::atomic<bool> m_terminate{false};
    std::atomic<qint64> m_quietUntil{0};
    std::atomic<qint64> m_quietChosenAtMs{0};
    std::shared_ptr<const Clock> m_clock;
    std::chrono::seconds m_answerBound{0};
};
