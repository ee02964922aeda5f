// The agent on a Linux desktop as a user meets it: started before any display server, and once
// per graphical session when the session is told by the X display rather than by logind.
#include "tests/support/DummyXServer.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool waitFor(const QString& log, const QByteArray& text, int timeoutMs = 120000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (readFile(log).contains(text))
            return true;
        QTest::qWait(100);
    }
    return false;
}

// The environment of a session without a display server, or with the X display given and then
// without a logind session.
QProcessEnvironment sessionEnvironment(const QString& dataDir, const QString& display = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM"})
        environment.remove(name);
    if (!display.isEmpty())
        environment.remove("XDG_SESSION_ID");
    // The agent looks for X servers only where the test puts them.
    environment.insert("LUTLOADER_X11_SOCKET_DIR", dataDir + "/x11-unix");
    if (!display.isEmpty()) {
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "offscreen"); // no X server behind these names
    }
    environment.insert("LUTLOADER_DATA_DIR", dataDir);
    return environment;
}

void stop(QProcess& agent)
{
    if (agent.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    if (!agent.waitForFinished(60000))
        agent.kill();
}

TEST(DesktopAgentTest, WithoutADisplayServerTheAgentRunsOnHeadlessAndTakesUpALaterXServer)
{
    const QString data = TestPaths::freshFolder("headless");
    QDir().mkpath(data + "/x11-unix");
    QProcess agent;
    agent.setProcessEnvironment(sessionEnvironment(data));
    agent.setProcessChannelMode(QProcess::MergedChannels);
    agent.start(TestPaths::agentProgram(), {"--platform", "linux", "--run-seconds", "300"});
    ASSERT_TRUE(agent.waitForStarted());
    const QString log = data + "/logb.qlog";
    // The pipe hub takes registrations: the shell is up without a screen.
    ASSERT_TRUE(waitFor(log, "PipeAppConnectorServer just new listener registration"))
        << agent.readAll().constData() << readFile(log).constData();
    EXPECT_EQ(agent.state(), QProcess::Running);
    EXPECT_EQ(readFile(log).count("no display server"), 1);
    EXPECT_TRUE(QFile::exists(data + "/Storage.db"));

    // The pipe answers a message from the command-line tool.
    QProcess ctl;
    ctl.setProcessEnvironment(sessionEnvironment(data));
    ctl.start(TestPaths::ctlProgram(), {"send", "-", "retranslate"});
    ASSERT_TRUE(ctl.waitForFinished(60000));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().constData();

    // The X server comes up: its socket appears and the agent moves onto it.
    DummyXServer server(1);
    if (server.isRunning()) {
        QFile socket(data + "/x11-unix/X" + server.display().mid(1));
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        socket.close();
        EXPECT_TRUE(waitFor(log, "X server " + server.display().toLatin1() + " appeared"))
            << readFile(log).constData();
        // ... as a display change, which makes the tray enumerate again.
        EXPECT_TRUE(waitFor(log, "WM_DISPLAYCHANGE")) << readFile(log).constData();
    } else {
        qWarning() << "no X server for the take-up part:" << server.error();
    }
    EXPECT_EQ(agent.state(), QProcess::Running);

    stop(agent);
    EXPECT_EQ(agent.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.exitCode(), 0);
    EXPECT_TRUE(readFile(log).contains("LutLoader end"));
}

TEST(DesktopAgentTest, OneAgentPerXDisplayWhenLogindNamesNoSession)
{
    const QString firstData = TestPaths::freshFolder("display-a");
    QProcess first;
    first.setProcessEnvironment(sessionEnvironment(firstData, ":71"));
    first.start(TestPaths::agentProgram(), {"--platform", "linux", "--run-seconds", "300"});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(waitFor(firstData + "/logb.qlog", "PipeAppConnectorServer just new listener registration"));

    // Another log-in of the same user on another display gets its own agent.
    const QString secondData = TestPaths::freshFolder("display-b");
    QProcess second;
    second.setProcessEnvironment(sessionEnvironment(secondData, ":72"));
    second.start(TestPaths::agentProgram(), {"--platform", "linux", "--run-seconds", "300"});
    ASSERT_TRUE(second.waitForStarted());
    ASSERT_TRUE(waitFor(secondData + "/logb.qlog", "PipeAppConnectorServer just new listener registration"));
    EXPECT_EQ(second.state(), QProcess::Running);

    // A second start on the first display steps aside.
    QProcess again;
    again.setProcessEnvironment(sessionEnvironment(TestPaths::freshFolder("display-a-again"), ":71"));
    again.setProcessChannelMode(QProcess::MergedChannels);
    again.start(TestPaths::agentProgram(), {"--platform", "linux", "--echo", "--run-seconds", "300"});
    ASSERT_TRUE(again.waitForFinished(120000));
    EXPECT_EQ(again.exitCode(), 0);
    EXPECT_TRUE(again.readAll().contains("another LutLoader runs in this session"));

    stop(first);
    stop(second);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(second.exitCode(), 0);
}

TEST(DesktopAgentTest, HelpAndVersionGoToStandardOutput)
{
    for (const QString& program : {TestPaths::agentProgram(), TestPaths::ctlProgram()}) {
        const ProgramRun help = ProgramRun::run(program, {"--help"});
        EXPECT_EQ(help.exitCode, 0) << program.toStdString();
        EXPECT_TRUE(help.out.contains("usage: ")) << help.out.constData();
        EXPECT_TRUE(help.err.isEmpty()) << help.err.constData();
    }
    const ProgramRun version = ProgramRun::run(TestPaths::agentProgram(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("lutloader " LUTLOADER_VERSION));
}

} // namespace
