#include "platform/linux/LinuxSessionEvents.h"

#include "tests/platform/FakeLogind.h"
#include "tests/settings/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void writeSysfs(const QString& root, const QString& connector, const QString& file, const QByteArray& text)
{
    QDir().mkpath(root + "/" + connector);
    QFile out(root + "/" + connector + "/" + file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text + "\n");
}

LinuxSessionEvents::Sources sources(const QString& drmRoot)
{
    LinuxSessionEvents::Sources result;
    result.bus = QDBusConnection::sessionBus();
    result.drmRoot = drmRoot;
    result.sessionId = QStringLiteral("test");
    result.pollIntervalMs = 3600 * 1000; // the test polls by hand
    return result;
}

std::vector<int> codes(const QSignalSpy& spy)
{
    std::vector<int> result;
    for (const QList<QVariant>& call : spy)
        result.push_back(call.at(0).toInt());
    return result;
}

TEST(LinuxSessionEventsTest, LogindLockActiveSleepAndShutdown)
{
    FakeLogind logind;
    ASSERT_TRUE(logind.isServing());
    LinuxSessionEvents events(sources(TestPaths::freshFolder("no-drm")), nullptr);
    ASSERT_TRUE(events.logindConnected());
    EXPECT_EQ(logind.inhibitCalls(), 1);

    QSignalSpy session(&events, &SessionEvents::sessionChanged);
    QSignalSpy power(&events, &SessionEvents::displayPowerChanged);
    QSignalSpy ending(&events, &SessionEvents::endSessionQueried);

    // The Lock request and the locker's LockedHint describe one lock.
    logind.emitLock(true);
    logind.emitProperty("LockedHint", true);
    QTRY_COMPARE_WITH_TIMEOUT(session.size(), 1, 10000);
    logind.emitProperty("LockedHint", false);
    logind.emitLock(false);
    logind.emitProperty("Active", false);
    logind.emitProperty("Active", true);
    QTRY_COMPARE_WITH_TIMEOUT(session.size(), 4, 10000);
    EXPECT_EQ(codes(session),
              (std::vector<int>{SessionEvents::SessionLock, SessionEvents::SessionUnlock,
                                SessionEvents::ConsoleDisconnect, SessionEvents::ConsoleConnect}));

    // Suspend releases the delay inhibitor; resume takes a new one and wakes the displays.
    logind.emitManagerSignal("PrepareForSleep", true);
    logind.emitManagerSignal("PrepareForSleep", false);
    QTRY_COMPARE_WITH_TIMEOUT(power.size(), 2, 10000);
    EXPECT_EQ(codes(power), (std::vector<int>{SessionEvents::PowerOff, SessionEvents::PowerOn}));
    EXPECT_EQ(logind.inhibitCalls(), 2);

    logind.emitManagerSignal("PrepareForShutdown", true);
    QTRY_COMPARE_WITH_TIMEOUT(ending.size(), 1, 10000);
}

TEST(LinuxSessionEventsTest, DrmConnectorsGivePowerAndHotPlug)
{
    const QString root = TestPaths::freshFolder("drm");
    QDir().mkpath(root + "/card0");
    writeSysfs(root, "card0-DP-1", "status", "connected");
    writeSysfs(root, "card0-DP-1", "dpms", "On");
    writeSysfs(root, "card0-HDMI-A-1", "status", "disconnected");
    writeSysfs(root, "card0-HDMI-A-1", "dpms", "Off");
    LinuxSessionEvents events(sources(root), nullptr);
    EXPECT_EQ(events.connectedDisplayCount(), 1);

    QSignalSpy power(&events, &SessionEvents::displayPowerChanged);
    QSignalSpy configuration(&events, &SessionEvents::displayConfigurationChanged);
    writeSysfs(root, "card0-DP-1", "dpms", "Off");
    events.pollDisplays();
    writeSysfs(root, "card0-DP-1", "dpms", "Standby");
    events.pollDisplays();
    writeSysfs(root, "card0-DP-1", "dpms", "On");
    events.pollDisplays();
    events.pollDisplays();
    EXPECT_EQ(codes(power), (std::vector<int>{SessionEvents::PowerOff, SessionEvents::PowerDimmed,
                                              SessionEvents::PowerOn}));

    {
        const LogCapture log;
        writeSysfs(root, "card0-HDMI-A-1", "status", "connected");
        writeSysfs(root, "card0-HDMI-A-1", "dpms", "On");
        events.pollDisplays();
        EXPECT_EQ(configuration.size(), 1);
        EXPECT_EQ(events.connectedDisplayCount(), 2);
        EXPECT_TRUE(log.lines().contains("display hot-plug: connector HDMI-A-1 of card0 connected"))
            << qPrintable(log.lines().join('\n'));
    }
    {
        // One display swapped for another between two looks: same count, new layout.
        const LogCapture log;
        writeSysfs(root, "card0-HDMI-A-1", "status", "disconnected");
        writeSysfs(root, "card1-DVI-I-1", "status", "connected");
        events.pollDisplays();
        EXPECT_EQ(configuration.size(), 2);
        EXPECT_TRUE(log.lines().contains("display hot-plug: connector DVI-I-1 of card1 connected"));
        EXPECT_TRUE(log.lines().contains("display hot-plug: connector HDMI-A-1 of card0 disconnected"));
        writeSysfs(root, "card1-DVI-I-1", "status", "disconnected");
        writeSysfs(root, "card0-HDMI-A-1", "status", "connected");
        events.pollDisplays();
        EXPECT_EQ(configuration.size(), 3);
    }
    // The console stays on while one display is on.
    writeSysfs(root, "card0-DP-1", "dpms", "Off");
    events.pollDisplays();
    EXPECT_EQ(power.size(), 3);
}

TEST(LinuxSessionEventsTest, UnreachableSourcesStayQuiet)
{
    LinuxSessionEvents::Sources nowhere = sources(TestPaths::dataDirectory() + "/missing");
    nowhere.bus = QDBusConnection(QStringLiteral("never-connected"));
    LinuxSessionEvents events(nowhere, nullptr);
    EXPECT_FALSE(events.logindConnected());
    QSignalSpy any(&events, &SessionEvents::sessionChanged);
    events.pollDisplays();
    // Without DRM the GUI's screen list counts (one offscreen screen in tests).
    EXPECT_EQ(events.connectedDisplayCount(), 1);
    EXPECT_TRUE(any.isEmpty());

    // A session bus without logind: logged, no events, no hang.
    LinuxSessionEvents noLogind(sources(TestPaths::dataDirectory() + "/missing"), nullptr);
    EXPECT_FALSE(noLogind.logindConnected());
}

TEST(LinuxSessionEventsTest, AgentOnLinuxHearsLogind)
{
    FakeLogind logind;
    ASSERT_TRUE(logind.isServing());
    const QString folder = TestPaths::freshFolder("linux-agent");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The agent's system bus is the test's private bus, where the stand-in logind serves.
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", environment.value("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert("LUTLOADER_DATA_DIR", folder);
    QProcess agent;
    agent.setProcessEnvironment(environment);
    agent.start(TestPaths::agentProgram(), {"--platform", "linux", "--run-seconds", "120"});
    ASSERT_TRUE(agent.waitForStarted());
    const auto log = [&folder] {
        QFile file(folder + "/logb.qlog");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("PipeAppConnectorServer just new listener registration"), 120000);
    EXPECT_TRUE(log().contains("logind session \"/org/freedesktop/login1/session/test\""));

    logind.emitLock(true);
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("Emit signal Lock!"), 30000);
    logind.emitProperty("LockedHint", false);
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("Emit signal UnLock!"), 30000);
    logind.emitManagerSignal("PrepareForSleep", true);
    logind.emitManagerSignal("PrepareForSleep", false);
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("displays woke up"), 30000);
    logind.emitManagerSignal("PrepareForShutdown", true);
    QTRY_VERIFY_WITH_TIMEOUT(log().contains("the session is ending"), 30000);

    agent.terminate();
    ASSERT_TRUE(agent.waitForFinished(60000));
    EXPECT_EQ(agent.exitCode(), 0);
    EXPECT_TRUE(log().contains("LutLoader end"));
}

} // namespace
