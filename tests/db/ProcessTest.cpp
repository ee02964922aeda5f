#include "db/DB.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "tests/support/TestPaths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kProcessWaitMs = 240000;

QString helperProgram()
{
    return QStringLiteral(LUTLOADER_BINARY_DIR "/tests/db/db_writer");
}

// Opens the file the other processes wrote, the way the agent opens it at start.
class SharedFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_folder = TestPaths::freshFolder(QStringLiteral("db-") + name);
        DB::free();
        DB::setPath(m_folder);
    }
    void TearDown() override { DB::free(); }

    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->start(helperProgram(), arguments);
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }
    // Reads the helper's output until a line starts with `prefix`; all lines read so far.
    static QStringList readUntil(QProcess& process, const QString& prefix)
    {
        QStringList lines;
        while (process.state() == QProcess::Running || process.canReadLine()) {
            if (!process.canReadLine() && !process.waitForReadyRead(kProcessWaitMs))
                break;
            while (process.canReadLine()) {
                lines << QString::fromUtf8(process.readLine()).trimmed();
                if (lines.last().startsWith(prefix))
                    return lines;
            }
        }
        return lines;
    }
    static void killHard(QProcess& process)
    {
        process.kill(); // SIGKILL: no destructor, no rollback, no unlock
        process.waitForFinished(kProcessWaitMs);
    }
    QString integrity(KaldoDynamicData& db)
    {
        return db.query(QStringLiteral("PRAGMA integrity_check"))
            .values()
            .value(QStringLiteral("integrity_check"));
    }
    qint64 count(KaldoDynamicData& db, const QString& sql)
    {
        return db.query(QStringLiteral("SELECT COUNT(*) AS C FROM ") + sql)
            .value(QStringLiteral("C"))
            .toLongLong();
    }
    QString folder() const { return m_folder; }

private:
    QString m_folder;
};

TEST_F(SharedFile, TwoProcessesWritingTogetherLoseNothingAndDuplicateNothing)
{
    constexpr int kCount = 120;
    auto first = start({"writer", folder(), "alpha", QString::number(kCount)});
    auto second = start({"writer", folder(), "beta", QString::number(kCount)});
    for (QProcess* process : {first.get(), second.get()}) {
        ASSERT_TRUE(process->waitForFinished(kProcessWaitMs));
        const QString errors = QString::fromUtf8(process->readAllStandardError());
        EXPECT_EQ(process->exitCode(), 0) << errors.toStdString();
        EXPECT_FALSE(errors.contains(QStringLiteral("database is locked"))) << errors.toStdString();
        EXPECT_FALSE(errors.contains(QStringLiteral("FAILED"))) << errors.toStdString();
        EXPECT_EQ(QString::fromUtf8(process->readAllStandardOutput()).trimmed(), QStringLiteral("done"));
    }

    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    EXPECT_EQ(integrity(*db), QStringLiteral("ok"));
    for (const QString tag : {"alpha", "beta"}) {
        EXPECT_EQ(count(*db, QStringLiteral("Preferences WHERE name LIKE '%1-%'").arg(tag)), kCount);
        EXPECT_EQ(count(*db, QStringLiteral("DisplayInfo WHERE name = '%1'").arg(tag)), kCount);
        EXPECT_EQ(db->readinfo("Preferences", {{"name", tag + QStringLiteral("-77")}}).value("value"),
                  QStringLiteral("77"));
    }
    EXPECT_EQ(count(*db, QStringLiteral("Preferences WHERE name LIKE 'shared-%'")), 10);
    EXPECT_EQ(count(*db, QStringLiteral("Displays")), 20);
    EXPECT_EQ(count(*db, QStringLiteral("(SELECT serial FROM Displays GROUP BY serial HAVING COUNT(*) > 1)")),
              0);
    EXPECT_EQ(
        count(*db, QStringLiteral("DisplayInfo WHERE displayid NOT IN (SELECT displayid FROM Displays)")), 0);
}

TEST_F(SharedFile, WriterKilledInALargeWriteLeavesEveryCommittedBatchAndNoPartOfTheOpenOne)
{
    auto writer = start({"batches", folder()});
    const QStringList lines = readUntil(*writer, QStringLiteral("committed 3"));
    ASSERT_FALSE(lines.isEmpty());
    killHard(*writer);
    const int lastReported = lines.last().section(QLatin1Char(' '), 1).toInt();
    ASSERT_GE(lastReported, 3);

    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    EXPECT_EQ(integrity(*db), QStringLiteral("ok"));
    for (int batch = 0; batch <= lastReported; ++batch)
        EXPECT_EQ(count(*db, QStringLiteral("History WHERE textname = 'batch-%1'").arg(batch)), 1000)
            << batch;
    // The batch in flight is there completely or not at all.
    EXPECT_EQ(count(*db, QStringLiteral("History")) % 1000, 0);
    EXPECT_TRUE(Schema::checkAll(*db));
    EXPECT_TRUE(db->addinfo("History", {{"textname", "after"}}));
}

TEST_F(SharedFile, WriterKilledInASchemaRebuildLeavesTheOldTableWholeAndTheNextStartUpgradesIt)
{
    constexpr int kRows = 200000;
    auto writer = start({"rebuild", folder(), QString::number(kRows)});
    ASSERT_FALSE(readUntil(*writer, QStringLiteral("rebuilding")).isEmpty());
    killHard(*writer);

    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    EXPECT_EQ(integrity(*db), QStringLiteral("ok"));
    EXPECT_EQ(count(*db, QStringLiteral("History")), kRows);
    EXPECT_TRUE(Schema::checkAll(*db));
    EXPECT_FALSE(db->tableExists("tmp"));
    EXPECT_EQ(count(*db, QStringLiteral("History")), kRows);
    EXPECT_EQ(db->tableColumns("History").value("runtime"), KdoData::Integer);
    EXPECT_EQ(count(*db, QStringLiteral(
                             "History WHERE runtime = 4711 AND textname = 'row 4711' AND isdisabled = 0")),
              1);
}

TEST_F(SharedFile, TwoProcessesUpgradingOneOldFileTogetherKeepEveryRow)
{
    constexpr int kRows = 20000;
    {
        const std::shared_ptr<KaldoDynamicData> db = DB::get();
        ASSERT_TRUE(
            db->exec("CREATE TABLE History(historyid INTEGER PRIMARY KEY, deviceid TEXT, runtime TEXT)"));
        ASSERT_TRUE(
            db->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                                    "i < %1) INSERT INTO History(deviceid, runtime) SELECT '2', i FROM n")
                         .arg(kRows)));
        ASSERT_TRUE(db->exec("CREATE TABLE Preferences(name TEXT, value TEXT)"));
        ASSERT_TRUE(db->exec("INSERT INTO Preferences VALUES('Language', 'Deutsch')"));
    }
    DB::free();
    auto first = start({"writer", folder(), "alpha", "5"});
    auto second = start({"writer", folder(), "beta", "5"});
    for (QProcess* process : {first.get(), second.get()}) {
        ASSERT_TRUE(process->waitForFinished(kProcessWaitMs));
        const QString errors = QString::fromUtf8(process->readAllStandardError());
        EXPECT_EQ(process->exitCode(), 0) << errors.toStdString();
        EXPECT_FALSE(errors.contains(QStringLiteral("FAILED"))) << errors.toStdString();
    }
    const std::shared_ptr<KaldoDynamicData> db = DB::get();
    EXPECT_EQ(integrity(*db), QStringLiteral("ok"));
    EXPECT_EQ(count(*db, QStringLiteral("History WHERE deviceid = 2 AND isdisabled = 0")), kRows);
    EXPECT_EQ(db->tableColumns("History"), Schema::table("History").columns);
    EXPECT_EQ(db->readinfo("Preferences", KaldoDynamicData::Values{{"name", "Language"}}).value("value"),
              QStringLiteral("Deutsch"));
    EXPECT_FALSE(db->tableExists("tmp"));
}

// lutloaderctl on a file an older version left behind.
TEST_F(SharedFile, CtlChecksTheDatabaseAndReadsAndWritesPreferences)
{
    {
        const std::shared_ptr<KaldoDynamicData> db = DB::get();
        ASSERT_TRUE(db->exec("CREATE TABLE Preferences(name TEXT, value TEXT)"));
        ASSERT_TRUE(db->exec("INSERT INTO Preferences VALUES('Language', 'Deutsch')"));
    }
    DB::free();
    auto run = [this](const QStringList& arguments, int* exitCode = nullptr) {
        QProcess ctl;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LUTLOADER_DATA_DIR"), folder());
        ctl.setProcessEnvironment(environment);
        ctl.start(TestPaths::ctlProgram(), arguments);
        EXPECT_TRUE(ctl.waitForFinished(kProcessWaitMs));
        if (exitCode)
            *exitCode = ctl.exitCode();
        return QString::fromUtf8(ctl.readAllStandardOutput()).trimmed();
    };
    const QJsonObject check = QJsonDocument::fromJson(run({"--json", "db", "check"}).toUtf8()).object();
    EXPECT_TRUE(check.value("ok").toBool());
    EXPECT_EQ(check.value("tables").toInteger(), Schema::all().size());
    EXPECT_EQ(check.value("integrity").toString(), QStringLiteral("ok"));

    EXPECT_EQ(run({"pref", "get", "Language"}), QStringLiteral("Deutsch"));
    EXPECT_EQ(run({"pref", "set", "UsedRegulation", "DIN"}), QStringLiteral("DIN 6868-57"));
    const QJsonObject pref =
        QJsonDocument::fromJson(run({"--json", "pref", "get", "UsedRegulation"}).toUtf8()).object();
    EXPECT_TRUE(pref.value("isupdate").toBool());
    int exitCode = 0;
    run({"pref", "set", "OnlyName"}, &exitCode);
    EXPECT_EQ(exitCode, 2);
}

} // namespace
