#include "db/DBTransaction.h"
#include "tests/db/DbTestSupport.h"

#include <QThread>

#include <mutex>

namespace {

// Another process's write transaction on the same file, held until release().
class OutsideWriter
{
public:
    explicit OutsideWriter(const QString& file) : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        EXPECT_TRUE(QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE")));
    }
    ~OutsideWriter()
    {
        release();
        QSqlDatabase::removeDatabase(m_name);
    }
    void release()
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen()) {
            QSqlQuery(db).exec(QStringLiteral("COMMIT"));
            db.close();
        }
    }

private:
    QString m_name;
};

class Transactions : public FreshDatabase
{
protected:
    void SetUp() override
    {
        FreshDatabase::SetUp();
        ASSERT_TRUE(Schema::checkTables(db(), {Schema::table("Preferences")}));
    }
    bool put(const QString& name) { return db().addinfo("Preferences", {{"name", name}, {"value", "v"}}); }
};

TEST_F(Transactions, OnlyTheOutermostCommitsAndAnInnerFailureUndoesEverything)
{
    {
        DBTransaction outer;
        ASSERT_TRUE(outer.started());
        put("outer-1");
        {
            DBTransaction inner;
            put("inner");
        }
        // The inner commit did not reach the file yet.
        EXPECT_EQ(outsideCount("Preferences"), 0);
        put("outer-2");
    }
    EXPECT_EQ(outsideCount("Preferences"), 3);

    {
        DBTransaction outer;
        put("lost-1");
        {
            DBTransaction inner;
            put("lost-2");
            inner.failTransaction();
        }
        // The rest of a doomed transaction says so instead of pretending to write.
        EXPECT_FALSE(put("lost-3"));
    }
    EXPECT_EQ(outsideCount("Preferences"), 3);
    EXPECT_EQ(db().count("Preferences", {{"name", "lost-1"}}), 0);
    EXPECT_EQ(db().transactionDepth(), 0);

    // The connection is usable again afterwards.
    {
        DBTransaction next;
        put("after");
    }
    EXPECT_EQ(outsideCount("Preferences"), 4);
}

TEST_F(Transactions, FailedTransactionRollsBackAllItsStatements)
{
    {
        DBTransaction transaction;
        for (int i = 0; i < 10; ++i)
            put(QString::number(i));
        transaction.failTransaction();
    }
    EXPECT_EQ(outsideCount("Preferences"), 0);

    EXPECT_TRUE(DB::startTransaction());
    put("a");
    EXPECT_TRUE(DB::cancelTransaction());
    EXPECT_TRUE(DB::startTransaction());
    put("b");
    EXPECT_TRUE(DB::finishTransaction());
    EXPECT_EQ(outside("SELECT name FROM Preferences"), QList<QStringList>({{"b"}}));
    // Unbalanced ends are refused, not turned into a stray commit.
    EXPECT_FALSE(db().finishTransaction());
    EXPECT_FALSE(db().cancelTransaction());
}

TEST_F(Transactions, SchemaCheckInsideARolledBackTransactionIsMadeAgain)
{
    std::atomic<bool> checked{false};
    const QList<TableSchema> tables{Schema::table("QATasksTime")};
    {
        DBTransaction outer;
        EXPECT_TRUE(Schema::checkOnce(db(), tables, checked));
        EXPECT_FALSE(checked);
        outer.failTransaction();
    }
    EXPECT_FALSE(db().tableExists("QATasksTime"));
    EXPECT_TRUE(Schema::checkOnce(db(), tables, checked));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(db().tableExists("QATasksTime"));
}

TEST_F(Transactions, ASchemaCheckInsideATransactionCountsOnceItCommits)
{
    std::atomic<bool> checked{false};
    {
        DBTransaction outer;
        EXPECT_TRUE(Schema::checkOnce(db(), {Schema::table("QATasksTime")}, checked));
        EXPECT_FALSE(checked);
        // Dropped behind the engine's back: a second check in the same transaction
        // would recreate it, one that trusts the first does not.
        ASSERT_TRUE(db().exec("DROP TABLE QATasksTime"));
        EXPECT_TRUE(Schema::checkOnce(db(), {Schema::table("QATasksTime")}, checked));
        EXPECT_FALSE(db().tableExists("QATasksTime"));
        ASSERT_TRUE(db().CheckTable("QATasksTime", Schema::table("QATasksTime").columns));
    }
    EXPECT_TRUE(checked);
}

// The main application holds the file's write lock for as long as it likes.
TEST_F(Transactions, ReadersNeverQueueForTheWriteLock)
{
    outside("INSERT INTO Preferences VALUES(0, 'Language', 'Deutsch')");
    OutsideWriter writer(file());
    // A connection that has not checked its tables yet, as a fresh command-line tool.
    auto reader =
        std::make_shared<KaldoDynamicData>(folder(), "QSQLITE_BUSY_TIMEOUT=1000", DB::DATABASE_NAME, 5);
    std::atomic<bool> checked{false};
    EXPECT_TRUE(Schema::checkOnce(*reader, {Schema::table("Preferences")}, checked));
    EXPECT_TRUE(checked);
    {
        DBTransaction reading(reader, DBTransaction::Kind::Read);
        EXPECT_TRUE(reading.started());
        EXPECT_EQ(
            reader->readinfo("Preferences", KaldoDynamicData::Values{{"name", "Language"}}).value("value"),
            "Deutsch");
        // Writing would have to wait for the lock while holding every other thread up.
        EXPECT_FALSE(reader->addinfo("Preferences", {{"name", "x"}}));
    }
    EXPECT_EQ(reader->transactionDepth(), 0);
}

TEST_F(Transactions, AWaitingWriterDoesNotHoldUpTheOtherThreads)
{
    ASSERT_TRUE(put("before"));
    auto writer = std::make_unique<OutsideWriter>(file());
    std::mutex order;
    QStringList events;
    const auto note = [&](const QString& event) {
        const std::lock_guard<std::mutex> lock(order);
        events << event;
    };
    std::atomic<bool> waiting{false};
    std::atomic<bool> began{false};
    std::unique_ptr<QThread> thread(QThread::create([&] {
        auto own =
            std::make_shared<KaldoDynamicData>(folder(), "QSQLITE_BUSY_TIMEOUT=20000", DB::DATABASE_NAME, 6);
        waiting = true;
        DBTransaction transaction(own);
        began = transaction.started();
        note(QStringLiteral("writer began"));
        own->addinfo("Preferences", {{"name", "from the thread"}});
    }));
    thread->start();
    while (!waiting)
        QThread::msleep(5);
    // Gives the thread time to be inside its wait for the file lock.
    QThread::msleep(300);
    EXPECT_EQ(db().count("Preferences"), 1);
    note(QStringLiteral("read"));
    writer->release();
    ASSERT_TRUE(thread->wait(60000));
    EXPECT_TRUE(began);
    EXPECT_EQ(events, QStringList({"read", "writer began"}));
    EXPECT_EQ(outsideCount("Preferences"), 2);
}

TEST_F(Transactions, AConnectionDroppedInsideATransactionRollsItBack)
{
    {
        auto other = std::make_shared<KaldoDynamicData>(folder(), DB::DEFAULT_OPTIONS, DB::DATABASE_NAME, 77);
        ASSERT_TRUE(other->startTransaction());
        other->addinfo("Preferences", {{"name", "half"}});
    }
    EXPECT_EQ(outsideCount("Preferences"), 0);
    EXPECT_TRUE(put("whole"));
    EXPECT_EQ(outsideCount("Preferences"), 1);
}

} // namespace
