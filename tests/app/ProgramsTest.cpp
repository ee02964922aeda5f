#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <csignal>
#include <gtest/gtest.h>

namespace {

ProgramRun runProgram(const QString& program, const QStringList& args, int timeoutMs = 60000)
{
    return ProgramRun::run(program, args, {}, timeoutMs);
}

QByteArray readLog()
{
    QFile file(TestPaths::dataDirectory() + "/logb.qlog");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(ProgramsTest, CtlAnswersInTextAndJson)
{
    const ProgramRun version = runProgram(TestPaths::ctlProgram(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("lutloaderctl " LUTLOADER_VERSION));

    const ProgramRun status =
        runProgram(TestPaths::ctlProgram(), {"--json", "lock", "status", "calibrationprocess"});
    EXPECT_EQ(status.exitCode, 0) << status.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(status.out).object();
    EXPECT_EQ(json.value("key").toString(), "calibrationprocess");
    EXPECT_FALSE(json.value("locked").toBool());

    EXPECT_EQ(runProgram(TestPaths::ctlProgram(), {"frobnicate"}).exitCode, 2);
    EXPECT_EQ(runProgram(TestPaths::ctlProgram(), {"lock", "status"}).exitCode, 2);
    EXPECT_EQ(runProgram(TestPaths::ctlProgram(), {"--platform", "amiga", "lock", "status", "x"}).exitCode,
              2);
}

TEST(ProgramsTest, AgentRunsOnTheSimulatedWorkstationAndQuitsOnSigterm)
{
    // The agent's output goes to a file: a pipe nobody reads while the test runs other programs
    // would fill up and stop the agent in the middle of a log line.
    QProcess agent;
    agent.setProcessChannelMode(QProcess::MergedChannels);
    const QString output = TestPaths::dataDirectory() + "/agent-output.txt";
    QFile::remove(output);
    agent.setStandardOutputFile(output);
    agent.start(TestPaths::agentProgram(), {"--platform", "sim", "--echo"});
    ASSERT_TRUE(agent.waitForStarted());
    QByteArray seen;
    for (int i = 0; i < 300 && !seen.contains("display"); ++i) {
        agent.waitForFinished(100);
        QFile file(output);
        if (file.open(QIODevice::ReadOnly))
            seen = file.readAll();
    }
    ASSERT_TRUE(seen.contains("LutLoader start...")) << seen.constData();

    // A second agent in the same session steps aside at once.
    const ProgramRun second = runProgram(TestPaths::agentProgram(), {"--platform", "sim", "--echo"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.err.contains("another LutLoader runs in this session")) << second.err.constData();

    // The sim control socket answers while the agent runs.
    const ProgramRun state =
        runProgram(TestPaths::ctlProgram(), {"--platform", "sim", "--json", "sim", "state"});
    EXPECT_EQ(state.exitCode, 0) << state.err.constData();

    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    ASSERT_TRUE(agent.waitForFinished(30000));
    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.exitCode(), 0);
    const QByteArray log = readLog();
    EXPECT_TRUE(log.contains("LutLoader quit on SIGTERM"));
    EXPECT_TRUE(log.contains("LutLoader end"));
}

TEST(ProgramsTest, AgentStopsAfterItsRunTimeAndRefusesBadOptions)
{
    const ProgramRun timed =
        runProgram(TestPaths::agentProgram(), {"--platform", "sim", "--run-seconds", "1"});
    EXPECT_EQ(timed.exitCode, 0);
    EXPECT_TRUE(readLog().contains("LutLoader quit: run time over"));

    EXPECT_EQ(runProgram(TestPaths::agentProgram(), {"--run-seconds", "soon"}).exitCode, 2);
    EXPECT_EQ(runProgram(TestPaths::agentProgram(), {"--workstation", "/nonexistent.json"}).exitCode, 1);
}

// Asking for the usage or the version starts no agent: nothing is logged.
TEST(ProgramsTest, AgentAnswersHelpVersionAndUnknownOptionsWithoutStarting)
{
    QFile::remove(TestPaths::dataDirectory() + "/logb.qlog");
    const ProgramRun help = runProgram(TestPaths::agentProgram(), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("usage: lutloader")) << help.out.constData();
    const ProgramRun version = runProgram(TestPaths::agentProgram(), {"--platform", "sim", "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), "lutloader " LUTLOADER_VERSION);
    const ProgramRun unknown = runProgram(TestPaths::agentProgram(), {"--platform", "sim", "--frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("unknown option --frobnicate")) << unknown.err.constData();
    EXPECT_FALSE(QFile::exists(TestPaths::dataDirectory() + "/logb.qlog"));
}

} // namespace
