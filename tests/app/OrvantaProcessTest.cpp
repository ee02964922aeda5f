#include "app/OrvantaProcess.h"

#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class OrvantaProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recordFile = TestPaths::freshFolder("orvanta") + "/arguments.jsonl";
        OrvantaProcess::setProgramPath(TestPaths::toolProgram("mainapp_standin"));
        qputenv("LUTLOADER_STANDIN_RECORD", recordFile.toLocal8Bit());
    }
    void TearDown() override
    {
        qunsetenv("LUTLOADER_STANDIN_RECORD");
        qunsetenv("LUTLOADER_STANDIN_EXIT");
        qunsetenv("LUTLOADER_STANDIN_LOCK");
        qunsetenv("LUTLOADER_STANDIN_SECONDS");
    }

    QList<QStringList> recorded() const
    {
        QList<QStringList> starts;
        QFile file(recordFile);
        if (!file.open(QIODevice::ReadOnly))
            return starts;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            QStringList arguments;
            for (const QJsonValue& value :
                 QJsonDocument::fromJson(line).object().value("arguments").toArray())
                arguments << value.toString();
            starts << arguments;
        }
        return starts;
    }

    QString recordFile;
};

TEST_F(OrvantaProcessTest, StartsWithEachArgumentListAndReportsTheEnd)
{
    qputenv("LUTLOADER_STANDIN_EXIT", "3");
    const QList<QStringList> lists = {
        OrvantaProcess::runUserTask("cal", {"12"}),
        OrvantaProcess::runQA({"1", "4", "group with blanks"}),
        OrvantaProcess::whiteLevelStabilisation(5),
        OrvantaProcess::graphicCardReaction(),
    };
    for (const QStringList& arguments : lists) {
        OrvantaProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(arguments);
        ASSERT_TRUE(finished.wait(30000));
        EXPECT_EQ(finished.first().at(0).toInt(), 3);
    }
    const QList<QStringList> expected = {{"runusr", "cal", "12"},
                                         {"runqa", "1", "4", "group with blanks"},
                                         {"whitelevelstab", "5"},
                                         {"GCReaction"}};
    EXPECT_EQ(recorded(), expected);
    EXPECT_EQ(OrvantaProcess::program(), TestPaths::toolProgram("mainapp_standin"));
}

TEST_F(OrvantaProcessTest, ExecuteWaitsForTheExitCode)
{
    qputenv("LUTLOADER_STANDIN_EXIT", "1");
    OrvantaProcess process;
    EXPECT_EQ(process.execute(OrvantaProcess::graphicCardReaction()), 1);
    qputenv("LUTLOADER_STANDIN_EXIT", "0");
    OrvantaProcess again;
    EXPECT_EQ(again.execute(OrvantaProcess::graphicCardReaction()), 0);
}

TEST_F(OrvantaProcessTest, MissingProgramStillEndsTheWait)
{
    OrvantaProcess::setProgramPath(TestPaths::dataDirectory() + "/no-such-program");
    OrvantaProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(OrvantaProcess::runQA({"1"}));
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.first().at(0).toInt(), -1);
    EXPECT_EQ(finished.first().at(1).value<QProcess::ExitStatus>(), QProcess::CrashExit);

    OrvantaProcess direct;
    EXPECT_EQ(direct.execute({"runqa"}), -2);
}

TEST_F(OrvantaProcessTest, MainApplicationHoldsItsBusyLockWhileRunning)
{
    qputenv("LUTLOADER_STANDIN_LOCK", SHARED_MEMORY_KEY_CALIBRATION);
    qputenv("LUTLOADER_STANDIN_SECONDS", "30");
    OrvantaProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(OrvantaProcess::runUserTask("auto"));
    // Other lines (a warning of the toolkit, say) may come first.
    QByteArray output;
    while (!output.contains("locked calibrationprocess") && process.waitForReadyRead(30000))
        output += process.readAll();
    EXPECT_TRUE(output.contains("locked calibrationprocess")) << output.constData();
    KaldoSharedMemory lock(SHARED_MEMORY_KEY_CALIBRATION, "test", 1);
    EXPECT_TRUE(lock.IsLocked());
    process.kill();
    process.waitForFinished();
    // A holder that died leaves the lock free for the agent.
    EXPECT_TRUE(lock.Lock());
}

} // namespace
