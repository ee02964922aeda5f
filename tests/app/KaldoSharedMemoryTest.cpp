#include "app/KaldoSharedMemory.h"

#include "tests/support/TestPaths.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>

#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

// A lock held by another process: `lutloaderctl lock take` holds it until its
// standard input closes.
class LockHolder
{
public:
    explicit LockHolder(const QString& key)
    {
        m_process.start(TestPaths::ctlProgram(), {"lock", "take", key});
        m_started = m_process.waitForStarted() && m_process.waitForReadyRead(20000) &&
                    m_process.readLine().contains("taken");
    }
    ~LockHolder()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.closeWriteChannel();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool holds() const { return m_started; }
    void killHard()
    {
        m_process.kill(); // SIGKILL: no chance to release the lock
        m_process.waitForFinished();
    }
    void releaseAndWait()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
    bool m_started = false;
};

// Counts how often the main thread's event queue is served while Lock waits:
// each pass of processEvents delivers the one pending event, which posts the next.
class EventPassCounter : public QObject
{
public:
    EventPassCounter() { post(); }
    int passes = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++passes;
        post();
        return true;
    }

private:
    void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
};

QByteArray uniqueKey(const char* name)
{
    return QByteArray("test-") + name + '-' + QByteArray::number(QCoreApplication::applicationPid());
}

TEST(KaldoSharedMemoryTest, ProbeTakeAndReleaseWithinOneProcess)
{
    const QByteArray key = uniqueKey("basic");
    KaldoSharedMemory first(key, "first");
    KaldoSharedMemory second(key, "second", 1);

    EXPECT_FALSE(first.IsLocked());
    EXPECT_FALSE(first.IsLocked()) << "a probe of a free lock must leave it free";
    ASSERT_TRUE(first.Lock());
    EXPECT_FALSE(first.Lock()) << "locking twice reports false";
    EXPECT_TRUE(first.isHeld()) << "...and keeps the lock";
    EXPECT_TRUE(first.IsLocked());

    // Same process id in the word: the second object still cannot take it.
    EXPECT_TRUE(second.IsLocked());
    EXPECT_FALSE(second.Lock());
    EXPECT_TRUE(second.Unlock()) << "unlocking a lock we do not hold is harmless";
    EXPECT_TRUE(first.IsLocked()) << "...and leaves the holder's lock alone";

    EXPECT_TRUE(first.Unlock());
    EXPECT_FALSE(second.IsLocked());
    EXPECT_TRUE(second.Lock());
}

TEST(KaldoSharedMemoryTest, DestructionReleasesOnlyAHeldLock)
{
    const QByteArray key = uniqueKey("scope");
    KaldoSharedMemory holder(key, "holder");
    {
        KaldoSharedMemory scoped(key, "scoped", 0, true);
        EXPECT_TRUE(scoped.isHeld());
        EXPECT_TRUE(holder.IsLocked());
    }
    EXPECT_FALSE(holder.IsLocked());

    ASSERT_TRUE(holder.Lock());
    {
        KaldoSharedMemory bystander(key, "bystander");
    }
    KaldoSharedMemory probe(key, "probe");
    EXPECT_TRUE(probe.IsLocked());
}

TEST(KaldoSharedMemoryTest, RetriesThreeGivesUpAfterFiveAttempts)
{
    const QByteArray key = uniqueKey("retries");
    KaldoSharedMemory holder(key, "holder", 0, true);
    KaldoSharedMemory waiter(key, "waiter", 3);

    EventPassCounter counter;
    EXPECT_FALSE(waiter.Lock());
    // Each failed attempt waits once, serving events before and after its sleep.
    EXPECT_EQ(counter.passes, 2 * 5);
    EXPECT_TRUE(holder.isHeld());
}

TEST(KaldoSharedMemoryTest, UnboundedLockWaitsUntilTheHolderLetsGo)
{
    const QByteArray key = uniqueKey("wait");
    KaldoSharedMemory holder(key, "holder", 0, true);
    bool obtained = false;
    std::thread worker([&key, &obtained] {
        KaldoSharedMemory waiter(key, "worker");
        obtained = waiter.Lock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    holder.Unlock();
    worker.join();
    EXPECT_TRUE(obtained);
    EXPECT_FALSE(holder.IsLocked()) << "the worker's lock went with its object";
}

TEST(KaldoSharedMemoryTest, LockOfAKilledProcessIsFreeAtTheNextProbe)
{
    const QByteArray key = uniqueKey("killed");
    LockHolder other(QString::fromLatin1(key));
    ASSERT_TRUE(other.holds());
    KaldoSharedMemory fresh(key, "fresh");
    EXPECT_TRUE(fresh.IsLocked());
    other.killHard();
    EXPECT_FALSE(fresh.IsLocked());
    EXPECT_TRUE(fresh.Lock());
}

TEST(KaldoSharedMemoryTest, LiveHolderInAnotherProcessExcludesUsUntilItReleases)
{
    const QByteArray key = uniqueKey("live");
    LockHolder other(QString::fromLatin1(key));
    ASSERT_TRUE(other.holds());
    KaldoSharedMemory probe(key, "probe", 1);
    EXPECT_TRUE(probe.IsLocked());
    EXPECT_FALSE(probe.Lock());
    other.releaseAndWait();
    EXPECT_FALSE(probe.IsLocked());
}

TEST(KaldoSharedMemoryTest, TwoProcessesRaceAndExactlyOneWins)
{
    for (int round = 0; round < 15; ++round) {
        const QString key = QString::fromLatin1(uniqueKey("race")) + QString::number(round);
        QProcess a;
        QProcess b;
        a.start(TestPaths::ctlProgram(), {"lock", "take", key});
        b.start(TestPaths::ctlProgram(), {"lock", "take", key});
        ASSERT_TRUE(a.waitForStarted() && b.waitForStarted());
        // The loser ends at once; the winner holds until its input closes.
        QProcess* loser = nullptr;
        for (int waited = 0; waited < 400 && !loser; ++waited) {
            if (a.waitForFinished(25))
                loser = &a;
            else if (b.waitForFinished(25))
                loser = &b;
        }
        ASSERT_NE(loser, nullptr) << "round " << round << ": both processes hold the lock";
        QProcess* winner = loser == &a ? &b : &a;
        EXPECT_NE(loser->exitCode(), 0) << "round " << round;
        while (!winner->canReadLine() && winner->waitForReadyRead(20000)) {
        }
        EXPECT_TRUE(winner->readAll().contains("taken")) << "round " << round;
        EXPECT_EQ(winner->state(), QProcess::Running);
        winner->closeWriteChannel();
        ASSERT_TRUE(winner->waitForFinished(20000));
        EXPECT_EQ(winner->exitCode(), 0);
    }
}

} // namespace
