#include "tests/db/DisplayTablesFixture.h"

#include <QDir>
#include <QProcess>

#include <memory>

namespace {

using TwoWritersTest = DisplayTablesTest;

const QString kWorker = QStringLiteral(LUTLOADER_BINARY_DIR "/tests/db/display_tables_worker");

qint64 scalar(const QString& statement)
{
    return DB::get()->query(statement).value(QStringLiteral("n")).toLongLong();
}

// Two processes racing through the same read-check-insert sequences end with one row
// for each key and with every increment counted.
TEST_F(TwoWritersTest, ConcurrentProcessesNeverDuplicateRows)
{
    constexpr int kRounds = 60;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (const QString& tag : {QStringLiteral("a"), QStringLiteral("b")}) {
        auto worker = std::make_unique<QProcess>();
        worker->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker->start(kWorker, {DB::path(), QString::number(kRounds), tag});
        ASSERT_TRUE(worker->waitForStarted()) << kWorker.toStdString();
        workers.push_back(std::move(worker));
    }
    for (auto& worker : workers) {
        ASSERT_TRUE(worker->waitForFinished(240000));
        EXPECT_EQ(worker->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(worker->exitCode(), 0);
    }

    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) AS n FROM Displays WHERE serial = 'FAIRY-TALE'")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) AS n FROM (SELECT displayid, name FROM DisplayInfo "
                                    "GROUP BY displayid, name HAVING COUNT(*) > 1)")),
              0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) AS n FROM DisplayInfo WHERE displayid = 100")), kRounds);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) AS n FROM StatusDisplays")), kRounds);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) AS n FROM ShotdownSafeSystem")), kRounds);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) AS n FROM DisplayStatistic")), kRounds);
    EXPECT_EQ(scalar(QStringLiteral("SELECT SUM(STVALUE) AS n FROM DisplayStatistic")), 2 * kRounds);
}

// A table created inside a transaction that rolls back is gone again, so the
// class must check it again later in the same process.
TEST_F(TwoWritersTest, TablesCheckedInARolledBackTransactionAreCheckedAgain)
{
    const QString folder = QDir(DB::path()).filePath(QStringLiteral("rollback-first"));
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder));
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start(kWorker, {folder, QStringLiteral("rollback-first")});
    ASSERT_TRUE(worker.waitForFinished(120000));
    EXPECT_EQ(worker.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(worker.exitCode(), 0);
}

} // namespace
