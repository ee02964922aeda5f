#include "db/DBTransaction.h"
#include "tests/db/DbTestSupport.h"

namespace {

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
