#include "db/DBIdleMemory.h"
#include "db/DBTransaction.h"
#include "tests/db/DbTestSupport.h"

#include <QSet>
#include <QThread>

#include <thread>
#include <vector>

namespace {

using Connections = FreshDatabase;

TEST_F(Connections, EachThreadHasItsOwnConnectionReleasedWhenTheThreadEnds)
{
    EXPECT_EQ(DB::get(), connection());
    const int before = DB::connectionCount();

    std::weak_ptr<KaldoDynamicData> fromThread;
    bool sameTwice = false;
    std::thread worker([&] {
        const std::shared_ptr<KaldoDynamicData> first = DB::get();
        sameTwice = DB::get() == first;
        fromThread = first;
    });
    worker.join();
    EXPECT_TRUE(sameTwice);
    EXPECT_TRUE(fromThread.expired());
    EXPECT_EQ(DB::connectionCount(), before);
}

// A QThread started again and again, as the LUT loader is: each run opens a connection of its own.
class RestartedThread : public QThread
{
public:
    std::weak_ptr<KaldoDynamicData> fromThread;
    int finishedReceivers() const { return receivers(SIGNAL(finished())); }

protected:
    void run() override
    {
        fromThread = DB::get();
        fromThread.lock()->CheckTable("FromThread", {{"a", KdoData::Integer}});
    }
};

TEST_F(Connections, QThreadConnectionIsReleasedEachTimeItsThreadFinishes)
{
    const int before = DB::connectionCount();
    RestartedThread thread;
    int receivers = 0;
    for (int run = 0; run < 3; ++run) {
        thread.start();
        ASSERT_TRUE(thread.wait(QDeadlineTimer(120000)));
        EXPECT_TRUE(thread.fromThread.expired()) << "run " << run;
        EXPECT_EQ(DB::connectionCount(), before) << "run " << run;
        if (run == 0)
            receivers = thread.finishedReceivers();
    }
    // The release hook is made once, not once more per run for the life of the process.
    EXPECT_EQ(thread.finishedReceivers(), receivers);
    EXPECT_TRUE(db().tableExists("FromThread"));
}

TEST_F(Connections, FreeDropsTheRegistryButNotAConnectionStillInUse)
{
    const std::shared_ptr<KaldoDynamicData> held = DB::get();
    ASSERT_TRUE(held->CheckTable("T", {{"a", KdoData::Text}}));
    DB::free();
    EXPECT_EQ(DB::connectionCount(), 0);
    EXPECT_TRUE(held->addinfo("T", {{"a", "still works"}}));
    const std::shared_ptr<KaldoDynamicData> fresh = DB::get();
    EXPECT_NE(fresh, held);
    EXPECT_EQ(fresh->count("T"), 1);
    EXPECT_FALSE(DB::finishTransaction());
}

// An idle thread drops its connection's cache: reads and kept writes go on as before, and an open
// transaction keeps its pages.
TEST_F(Connections, ReleasingIdleMemoryKeepsTheConnectionWorking)
{
    ASSERT_TRUE(db().CheckTable("T", {{"a", KdoData::Text}}));
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(db().addinfo("T", {{"a", QString(100, QLatin1Char('x')) + QString::number(i)}}));
    EXPECT_EQ(db().count("T"), 200);
    EXPECT_TRUE(DBIdleMemory::release());
    EXPECT_EQ(db().count("T", {{"a", QString(100, QLatin1Char('x')) + "7"}}), 1);
    EXPECT_TRUE(db().addinfo("T", {{"a", "after"}}));
    EXPECT_EQ(db().count("T"), 201);

    ASSERT_TRUE(db().startTransaction());
    EXPECT_TRUE(db().addinfo("T", {{"a", "inside"}}));
    EXPECT_FALSE(DBIdleMemory::release());
    EXPECT_TRUE(db().finishTransaction());
    EXPECT_EQ(db().count("T"), 202);
}

TEST_F(Connections, ThreadsWritingTogetherLoseNothingAndMakeNoDuplicates)
{
    ASSERT_TRUE(Schema::checkTables(db(), {Schema::table("Preferences")}));
    constexpr int kThreads = 4;
    constexpr int kNames = 60;
    std::vector<std::thread> threads;
    std::vector<int> inserted(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &inserted] {
            const std::shared_ptr<KaldoDynamicData> db = DB::get();
            // Every thread tries to create every name once: read-check-insert must stay atomic.
            for (int i = 0; i < kNames; ++i) {
                const QString name = QStringLiteral("shared-%1").arg((i + t * 7) % kNames);
                DBTransaction transaction(db);
                if (db->count("Preferences", {{"name", name}}) == 0 &&
                    db->addinfo("Preferences", {{"name", name}, {"value", QString::number(t)}}))
                    ++inserted[t];
                db->addinfo("Preferences", {{"name", QStringLiteral("own-%1-%2").arg(t).arg(i)}});
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    int total = 0;
    for (int count : inserted)
        total += count;
    EXPECT_EQ(total, kNames);
    EXPECT_EQ(outsideCount("Preferences"), kNames + kThreads * kNames);
    EXPECT_EQ(outsideCount("(SELECT name FROM Preferences GROUP BY name HAVING COUNT(*) > 1)"), 0);
}

} // namespace
