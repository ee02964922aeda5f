// The agent as a program: single instance, session events in its log, shutdown
// order, recovery after a crash.
#include "app/NamedPipes.h"
#include "app/PipeMessage.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>

namespace {

QString logPath()
{
    return TestPaths::dataDirectory() + "/logb.qlog";
}

QByteArray readLog()
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool waitForLog(const QByteArray& text, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (readLog().contains(text))
            return true;
        QTest::qWait(50);
    }
    return false;
}

ProgramRun runProgram(const QString& program, const QStringList& args, int timeoutMs = 60000)
{
    return ProgramRun::run(program, args, {}, timeoutMs);
}

void startAgent(QProcess& agent, const QStringList& extra = {})
{
    agent.start(TestPaths::agentProgram(), QStringList{"--platform", "sim", "--run-seconds", "120"} + extra);
    ASSERT_TRUE(agent.waitForStarted());
}

void stopAgent(QProcess& agent)
{
    if (agent.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    if (!agent.waitForFinished(60000)) {
        agent.kill();
        agent.waitForFinished();
    }
}

// A process that ended but was not reaped yet counts as gone.
bool processAlive(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && text.mid(close + 2, 1) != "Z";
}

bool noSanitizerReport(const QByteArray& err)
{
    return !err.contains("AddressSanitizer") && !err.contains("runtime error") &&
           !err.contains("LeakSanitizer");
}

class AgentLifecycleTest : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(logPath()); }
};

TEST_F(AgentLifecycleTest, SecondStartLeavesTheFirstUntouched)
{
    const ProgramRun nobody = runProgram(TestPaths::ctlProgram(), {"send", "-", "ping", "", "--wait", "0"});
    EXPECT_EQ(nobody.exitCode, 1);
    EXPECT_TRUE(nobody.err.contains("no pipe hub answers")) << nobody.err.constData();

    QProcess first;
    startAgent(first);
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));

    const ProgramRun second = runProgram(TestPaths::agentProgram(), {"--platform", "sim"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.err.contains("another LutLoader runs in this session")) << second.err.constData();
    EXPECT_EQ(readLog().count("qInstallMsgHandler"), 1);

    // The first still serves its hub and its simulated session.
    EXPECT_EQ(first.state(), QProcess::Running);
    const ProgramRun send =
        runProgram(TestPaths::ctlProgram(), {"send", "-", "retranslate", "en", "--wait", "200"});
    EXPECT_EQ(send.exitCode, 0) << send.err.constData();
    EXPECT_TRUE(waitForLog("pipe message \"retranslate\" \"en\""));
    const ProgramRun state = runProgram(TestPaths::ctlProgram(), {"--platform", "sim", "sim", "state"});
    EXPECT_EQ(state.exitCode, 0) << state.err.constData();

    stopAgent(first);
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(AgentLifecycleTest, TwoAgentsStartedTogetherLeaveExactlyOne)
{
    for (int round = 0; round < 4; ++round) {
        QFile::remove(logPath());
        QProcess a;
        QProcess b;
        a.setProcessChannelMode(QProcess::SeparateChannels);
        startAgent(a);
        startAgent(b);
        // One of them must step aside while the other keeps running.
        const QDeadlineTimer deadline(90000);
        while (!deadline.hasExpired() && a.state() == QProcess::Running && b.state() == QProcess::Running)
            QTest::qWait(50);
        QProcess& gone = a.state() == QProcess::Running ? b : a;
        QProcess& kept = a.state() == QProcess::Running ? a : b;
        ASSERT_NE(gone.state(), QProcess::Running) << "round " << round;
        gone.waitForFinished();
        EXPECT_EQ(gone.exitCode(), 0) << "round " << round;
        EXPECT_TRUE(gone.readAllStandardError().contains("another LutLoader runs in this session"));
        // Only the one that stays writes the log; stop it once it is up.
        EXPECT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
        EXPECT_EQ(kept.state(), QProcess::Running) << "round " << round;
        stopAgent(kept);
        EXPECT_EQ(kept.exitCode(), 0);
        EXPECT_TRUE(noSanitizerReport(kept.readAllStandardError()));
    }
}

TEST_F(AgentLifecycleTest, MainApplicationAnswersThroughTheAgentsHub)
{
    QProcess agent;
    startAgent(agent);
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));

    QProcess standIn;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_STANDIN_HUB", "-");
    environment.insert("LUTLOADER_STANDIN_SECONDS", "60");
    standIn.setProcessEnvironment(environment);
    standIn.start(TestPaths::toolProgram("mainapp_standin"), {});
    ASSERT_TRUE(standIn.waitForStarted());
    QByteArray said;
    while (!said.contains("registered") && standIn.waitForReadyRead(30000))
        said += standIn.readAllStandardOutput();
    ASSERT_TRUE(said.contains("registered kaldo_")) << said.constData();

    const ProgramRun send =
        runProgram(TestPaths::ctlProgram(), {"--json", "send", "-", "regenTables", "all", "--wait", "3000"});
    ASSERT_EQ(send.exitCode, 0) << send.err.constData();
    const QJsonObject reply = QJsonDocument::fromJson(send.out).object();
    bool answered = false;
    for (const QJsonValue& message : reply.value("replies").toArray())
        answered |= message["msg"].toString() == "reply" && message["param"].toString() == "regenTables:all";
    EXPECT_TRUE(answered) << send.out.constData();
    // The agent's own participant heard both the message and the answer.
    EXPECT_TRUE(waitForLog("pipe message \"regenTables\" \"all\""));
    EXPECT_TRUE(waitForLog("pipe message \"reply\" \"regenTables:all\""));

    standIn.kill();
    standIn.waitForFinished();
    stopAgent(agent);
    EXPECT_EQ(agent.exitCode(), 0);
}

TEST_F(AgentLifecycleTest, TaskRunnerStartsOnlyAfterTheEventLoopRunsAndStopsFirst)
{
    QProcess agent;
    agent.start(TestPaths::agentProgram(), {"--platform", "sim", "--run-seconds", "7"});
    ASSERT_TRUE(agent.waitForFinished(120000));
    EXPECT_EQ(agent.exitCode(), 0);
    const QByteArray log = readLog();
    const qsizetype loopRuns = log.indexOf("PipeAppConnectorServer just new listener registration");
    const qsizetype runnerStarts = log.indexOf("showIconAndStart: task runner starts");
    const qsizetype runnerStops = log.indexOf("threads are stopped");
    const qsizetype hubStops = log.indexOf("PipeAppConnectorServer stop");
    ASSERT_GE(loopRuns, 0);
    ASSERT_GE(runnerStarts, 0);
    EXPECT_LT(log.indexOf("createThreadsAndDialogs"), loopRuns);
    EXPECT_LT(loopRuns, runnerStarts);
    EXPECT_LT(runnerStarts, runnerStops);
    EXPECT_LT(runnerStops, hubStops);
}

TEST_F(AgentLifecycleTest, SessionLockAndUnlockReachTheLog)
{
    QProcess agent;
    startAgent(agent);
    ASSERT_TRUE(waitForLog("SimControlServer listening"));
    EXPECT_EQ(runProgram(TestPaths::ctlProgram(), {"--platform", "sim", "sim", "lock"}).exitCode, 0);
    EXPECT_EQ(runProgram(TestPaths::ctlProgram(), {"--platform", "sim", "sim", "unlock"}).exitCode, 0);
    EXPECT_TRUE(waitForLog("Emit signal Lock!"));
    EXPECT_TRUE(waitForLog("Emit signal UnLock!"));
    const QByteArray log = readLog();
    EXPECT_LT(log.indexOf("Emit signal Lock!"), log.indexOf("Emit signal UnLock!"));
    stopAgent(agent);
}

// "lutrestart" starts the agent again as it was started: same platform, same options,
// and the log says so.
TEST_F(AgentLifecycleTest, RestartKeepsThePlatformAndLogsIt)
{
    QProcess agent;
    agent.start(TestPaths::agentProgram(), {"--platform", "sim", "--run-seconds", "40"});
    ASSERT_TRUE(agent.waitForStarted());
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
    const ProgramRun send =
        runProgram(TestPaths::ctlProgram(), {"send", "-", "lutrestart", "", "--wait", "0"});
    EXPECT_EQ(send.exitCode, 0) << send.err.constData();
    ASSERT_TRUE(agent.waitForFinished(60000));
    EXPECT_EQ(agent.exitCode(), 0);

    EXPECT_TRUE(readLog().contains("Restart app begin")) << readLog().right(2000).constData();
    EXPECT_TRUE(readLog().contains("Restart application - arguments --platform sim --run-seconds 40"))
        << readLog().right(2000).constData();
    // The new agent runs on the simulated workstation too; it is stopped by its process id.
    const QByteArray started = "LutLoader start... platform";
    const QDeadlineTimer up(60000);
    while (readLog().count(started) < 2 && !up.hasExpired())
        QTest::qWait(100);
    const QByteArray log = readLog();
    ASSERT_EQ(log.count(started), 2);
    EXPECT_EQ(log.count("LutLoader start... platform \"sim\""), 2);
    const qsizetype second = log.lastIndexOf("LutLoader start... platform");
    const qsizetype open = log.lastIndexOf('[', second);
    const qsizetype comma = log.indexOf(',', open);
    const pid_t pid = static_cast<pid_t>(log.mid(open + 1, comma - open - 1).toLongLong());
    ASSERT_GT(pid, 0);
    ASSERT_NE(pid, static_cast<pid_t>(agent.processId()));
    ::kill(pid, SIGTERM);
    const QDeadlineTimer bound(60000);
    while (processAlive(pid) && !bound.hasExpired())
        QTest::qWait(100);
    EXPECT_FALSE(processAlive(pid));
}

TEST_F(AgentLifecycleTest, ShutdownRunsInOrderAndLeavesNoThread)
{
    QProcess agent;
    startAgent(agent);
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
    stopAgent(agent);
    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.exitCode(), 0);
    EXPECT_TRUE(noSanitizerReport(agent.readAllStandardError()));

    const QByteArray log = readLog();
    const QList<QByteArray> order = {"LutLoader quit on SIGTERM", "cleanAll",
                                     "threads are stopped",       "DB::free",
                                     "tryToQuit: pipe client",    "PipeAppConnectorServer stop",
                                     "tryToQuit: done",           "LutLoader end"};
    qsizetype at = 0;
    for (const QByteArray& step : order) {
        const qsizetype found = log.indexOf(step, at);
        EXPECT_GE(found, 0) << "missing or out of order: " << step.constData();
        if (found >= 0)
            at = found;
    }
    // The second cleanAll of tryToQuit finds nothing left to clean.
    EXPECT_EQ(log.count("threads are stopped"), 1);
}

TEST_F(AgentLifecycleTest, KilledAgentBlocksNeitherTheNextStartNorItsHub)
{
    QProcess crashed;
    startAgent(crashed);
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
    crashed.kill();
    crashed.waitForFinished();

    QFile::remove(logPath());
    QProcess next;
    startAgent(next);
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
    EXPECT_TRUE(readLog().contains("replacing the stale socket"));
    EXPECT_EQ(next.state(), QProcess::Running);
    const ProgramRun send =
        runProgram(TestPaths::ctlProgram(), {"send", "-", "regenTables", "", "--wait", "200"});
    EXPECT_EQ(send.exitCode, 0) << send.err.constData();
    EXPECT_TRUE(waitForLog("pipe message \"regenTables\""));
    stopAgent(next);
    EXPECT_EQ(next.exitCode(), 0);
}

TEST_F(AgentLifecycleTest, EmptyDataDirectoryGetsDatabaseAndFirstRunBlockOnce)
{
    const QString folder = TestPaths::freshFolder("fresh-start");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_DATA_DIR", folder);
    const auto runAgent = [&environment] {
        QProcess agent;
        agent.setProcessEnvironment(environment);
        agent.start(TestPaths::agentProgram(), {"--platform", "sim", "--run-seconds", "1"});
        EXPECT_TRUE(agent.waitForFinished(120000));
        EXPECT_EQ(agent.exitCode(), 0);
        EXPECT_TRUE(noSanitizerReport(agent.readAllStandardError()));
    };
    const auto folderLog = [&folder] {
        QFile file(folder + "/logb.qlog");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    runAgent();
    EXPECT_TRUE(QFile::exists(folder + "/Storage.db"));
    EXPECT_EQ(folderLog().count("checkDB: first run on this database"), 1);
    runAgent();
    EXPECT_EQ(folderLog().count("checkDB: first run on this database"), 1);
    EXPECT_EQ(folderLog().count("LutLoader end"), 2);

    QProcess ctl;
    ctl.setProcessEnvironment(environment);
    ctl.start(TestPaths::ctlProgram(), {"pref", "get", "FirstCall"});
    ASSERT_TRUE(ctl.waitForFinished(60000));
    EXPECT_EQ(ctl.readAllStandardOutput().trimmed(), "1");
}

TEST_F(AgentLifecycleTest, CrashIsWrittenToTheLog)
{
    QProcess agent;
    startAgent(agent);
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
    ::kill(static_cast<pid_t>(agent.processId()), SIGSEGV);
    agent.waitForFinished(60000);
    EXPECT_NE(agent.exitCode() == 0 && agent.exitStatus() == QProcess::NormalExit, true);
    EXPECT_TRUE(readLog().contains("terminate handling"));
    EXPECT_TRUE(readLog().contains("Exception: signal 11"));
}

// Many displays make the start long enough for the signal to land while the tray
// detects them; the agent must end anyway, not run on.
TEST_F(AgentLifecycleTest, TerminationDuringStartUpEndsTheAgent)
{
    const QString edid = QStringLiteral("00ffffffffffff002d84312ad42800000c1f0104a52b20783aee95a3544c99260f50"
                                        "5400000001010101010101010101010101"
                                        "010101e86700a080001e6030203500a73d1100001e000000fc004d44323120446961"
                                        "676e6f7374000000ff003731303034353231"
                                        "0a20202020000000fd00324c1e6e17000a2020202020200011");
    QJsonArray displays;
    for (int i = 0; i < 300; ++i)
        displays.append(QJsonObject{{"output", QStringLiteral("DP-%1").arg(i + 1)},
                                    {"card", "card0"},
                                    {"connected", true},
                                    {"rect", QJsonArray{i * 1920, 0, 1920, 1080}},
                                    {"edid", edid}});
    const QJsonObject workstation{
        {"name", "many displays"},
        {"videoCards", QJsonArray{QJsonObject{{"id", "card0"}, {"name", "card"}, {"rampSize", 256}}}},
        {"displays", displays}};
    const QString file = TestPaths::freshFolder("many-displays") + "/workstation.json";
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QJsonDocument(workstation).toJson());
    }
    QProcess agent;
    agent.start(TestPaths::agentProgram(),
                {"--platform", "sim", "--workstation", file, "--run-seconds", "600"});
    ASSERT_TRUE(agent.waitForStarted());
    ASSERT_TRUE(waitForLog("DDC/CI service pipe"));
    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    const bool ended = agent.waitForFinished(120000);
    if (!ended) {
        agent.kill();
        agent.waitForFinished();
    }
    EXPECT_TRUE(ended) << "the agent ran on after SIGTERM";
}

// Another program on the hub floods it; the agent's own participant must stay, the agent
// must still obey the main application afterwards, and a termination must end it.
TEST_F(AgentLifecycleTest, BurstOfPipeMessagesLeavesTheAgentObedient)
{
    QProcess agent;
    startAgent(agent, {"--run-seconds", "600"});
    ASSERT_TRUE(waitForLog("PipeAppConnectorServer just new listener registration"));
    const QRegularExpressionMatch hub =
        QRegularExpression(R"re(PipeAppConnectorServer start\s+"(kaldo_[0-9a-f]+)")re")
            .match(QString::fromLatin1(readLog()));
    ASSERT_TRUE(hub.hasMatch());
    const QString hubPath = NamedPipes::socketPath(hub.captured(1));

    // A flooding participant that registers and never listens, then 20,000 messages, many
    // connections at once; refused connections are the hub protecting itself.
    const auto send = [&](QLocalSocket& socket, const QByteArray& text) {
        socket.connectToServer(hubPath);
        if (socket.waitForConnected(1000)) {
            socket.write(text);
            socket.flush();
            socket.disconnectFromServer();
        }
    };
    {
        QLocalSocket socket;
        send(socket, PipeMessage{"kaldo_flood", "register", "", ""}.toBytes());
    }
    constexpr int kMessages = 20000;
    constexpr int kInFlight = 200;
    std::vector<std::unique_ptr<QLocalSocket>> flight;
    for (int i = 0; i < kMessages; ++i) {
        if (flight.size() == kInFlight) {
            for (auto& socket : flight)
                if (socket->state() != QLocalSocket::UnconnectedState)
                    socket->waitForDisconnected(100);
            flight.clear();
        }
        flight.push_back(std::make_unique<QLocalSocket>());
        send(*flight.back(), PipeMessage{"kaldo_flood", "flood", QString::number(i), ""}.toBytes());
    }
    flight.clear();
    ASSERT_EQ(agent.state(), QProcess::Running);

    // The main application asks after the burst; the agent hears and obeys.
    const qsizetype before = readLog().size();
    const ProgramRun disable =
        runProgram(TestPaths::ctlProgram(), {"send", "-", "lutdisable", "1", "--wait", "0"});
    EXPECT_EQ(disable.exitCode, 0) << disable.err.constData();
    const ProgramRun refresh =
        runProgram(TestPaths::ctlProgram(), {"send", "-", "DisplayRefresh", "", "--wait", "0"});
    EXPECT_EQ(refresh.exitCode, 0) << refresh.err.constData();
    EXPECT_TRUE(waitForLog("Refresh Displays in LUTLoader", 120000));
    const QByteArray after = readLog().mid(before);
    EXPECT_TRUE(after.contains("slotReciveValue name -  \"lutdisable\"")) << after.right(3000).constData();
    EXPECT_TRUE(after.contains("Refresh Displays in LUTLoader"));
    // The drops are told once per flood, not once per message.
    EXPECT_LT(readLog().count("dropping the excess"), 50);

    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    const bool ended = agent.waitForFinished(60000);
    if (!ended) {
        agent.kill();
        agent.waitForFinished();
    }
    EXPECT_TRUE(ended) << "the agent ran on after SIGTERM";
    EXPECT_EQ(agent.exitCode(), 0);
    EXPECT_TRUE(noSanitizerReport(agent.readAllStandardError()));
}

} // namespace
