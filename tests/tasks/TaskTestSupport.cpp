#include "tests/tasks/TaskTestSupport.h"

#include "db/DB.h"
#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "tasks/TaskFactory.h"
#include "tests/support/TestPaths.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

void EventLog::add(const QString& entry)
{
    const QMutexLocker locker(&m_mutex);
    m_entries << entry;
}

QStringList EventLog::entries() const
{
    const QMutexLocker locker(&m_mutex);
    return m_entries;
}

int EventLog::count(const QString& entry) const
{
    const QMutexLocker locker(&m_mutex);
    return static_cast<int>(m_entries.count(entry));
}

void EventLog::clear()
{
    const QMutexLocker locker(&m_mutex);
    m_entries.clear();
}

EventLog& eventLog()
{
    static EventLog log;
    return log;
}

bool waitFor(const std::function<bool()>& condition, int boundMs)
{
    const QDeadlineTimer deadline(boundMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(2);
    }
    return true;
}

std::shared_ptr<std::atomic<bool>> watchDestroyed(QObject* object)
{
    auto gone = std::make_shared<std::atomic<bool>>(false);
    QObject::connect(object, &QObject::destroyed, [gone] { *gone = true; });
    return gone;
}

RecordingTask::RecordingTask(const QString& name, qint64 timeout, qint64 first,
                             std::shared_ptr<const Clock> clock, bool sleepWorker, bool disposable)
    : Task(name, timeout, first, std::move(clock)), m_sleepWorker(sleepWorker), m_disposable(disposable)
{
}

void RecordingTask::run()
{
    eventLog().add("run:" + name());
    emit finished();
}

void useSimulatedWorkstation()
{
    if (Platform::workstation() != nullptr)
        return;
    // The preferences the runner reads live in the test's own database.
    DB::setPath(TestPaths::dataDirectory());
    PlatformOptions options;
    options.platform = QStringLiteral("sim");
    QString error;
    if (!Platform::select(options, &error))
        qFatal("cannot select the simulated workstation: %s", qPrintable(error));
}

RunnerHarness::RunnerHarness()
    : m_clock(std::make_shared<ManualClock>(start)),
      m_runner((useSimulatedWorkstation(), std::make_unique<TaskRunner>(m_clock)))
{
    eventLog().clear();
}

RunnerHarness::~RunnerHarness()
{
    m_runner.reset();
}

Task* RunnerHarness::add(std::unique_ptr<Task> task)
{
    Task* const raw = task.get();
    m_runner->add(std::move(task));
    return raw;
}

Task* RunnerHarness::addRecording(const QString& name, qint64 timeout, qint64 first, bool sleepWorker)
{
    return add(std::make_unique<RecordingTask>(name, timeout, first, m_clock, sleepWorker));
}

void RunnerHarness::startRunner()
{
    m_runner->safeStart();
}

bool RunnerHarness::sync()
{
    const QString name = QString("barrier%1").arg(++m_barriers);
    // Due now, allowed in energy-save mode, gone after its run.
    auto barrier = std::make_unique<RecordingTask>(name, 0, 0, m_clock, true, true);
    // Destroyed (on the runner's thread) only after the runner took it out of the queue.
    const auto gone = watchDestroyed(barrier.get());
    add(std::move(barrier));
    return waitFor([&] { return gone->load(); });
}

void FakeTray::slotReloadAllLUTs()
{
    eventLog().add("tray:reloadAll");
    if (m_answerReloads)
        emit signalAllLUTsReloaded();
}
