#include "platform/linux/LinuxSessionEvents.h"
#include "platform/linux/LinuxSessionIdentity.h"
#include "tests/support/TestPaths.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A screen locker or a logind on the test's private session bus, on a connection of its own so
// the signals come from another sender, as from the real service.
class FakeService
{
public:
    explicit FakeService(const QString& name)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name))
    {
        m_serving = m_bus.isConnected() && (name.startsWith("anonymous") || m_bus.registerService(name));
    }
    ~FakeService() { QDBusConnection::disconnectFromBus(m_bus.name()); }

    bool serving() const { return m_serving; }
    void emitSignal(const QString& path, const QString& interface, const QString& name, bool value)
    {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message << value;
        ASSERT_TRUE(m_bus.send(message));
    }

private:
    QDBusConnection m_bus;
    bool m_serving = false;
};

LinuxSessionEvents::Sources noDrm()
{
    LinuxSessionEvents::Sources sources;
    sources.bus = QDBusConnection::sessionBus(); // a bus where logind knows no session of ours
    sources.sessionBus = QDBusConnection::sessionBus();
    sources.drmRoot = TestPaths::dataDirectory() + "/no-drm";
    sources.sessionId = "nobody";
    sources.pollIntervalMs = 3600 * 1000;
    return sources;
}

std::vector<int> codes(const QSignalSpy& spy)
{
    std::vector<int> result;
    for (const QList<QVariant>& call : spy)
        result.push_back(call.at(0).toInt());
    return result;
}

TEST(LinuxDesktopSessionTest, ScreenLockerGivesLockAndUnlockWithoutLogind)
{
    LinuxSessionEvents events(noDrm(), nullptr);
    ASSERT_FALSE(events.logindConnected());
    ASSERT_TRUE(events.screenSaverWatched());
    QSignalSpy session(&events, &SessionEvents::sessionChanged);

    FakeService kde("org.freedesktop.ScreenSaver");
    ASSERT_TRUE(kde.serving());
    kde.emitSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", true);
    // The same lock told twice (both of the locker's paths) is one lock.
    kde.emitSignal("/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", true);
    kde.emitSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", false);
    QTRY_COMPARE_WITH_TIMEOUT(session.size(), 2, 10000);

    // GNOME's locker, which starts after the agent, is heard as well.
    FakeService gnome("org.gnome.ScreenSaver");
    ASSERT_TRUE(gnome.serving());
    gnome.emitSignal("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", true);
    gnome.emitSignal("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", false);
    QTRY_COMPARE_WITH_TIMEOUT(session.size(), 4, 10000);
    EXPECT_EQ(codes(session), (std::vector<int>{SessionEvents::SessionLock, SessionEvents::SessionUnlock,
                                                SessionEvents::SessionLock, SessionEvents::SessionUnlock}));

    // Another program's signal of the same name on another interface is no lock.
    gnome.emitSignal("/org/gnome/ScreenSaver", "org.example.Other", "ActiveChanged", true);
    QTest::qWait(300);
    EXPECT_EQ(session.size(), 4);
}

TEST(LinuxDesktopSessionTest, SleepIsHeardFromLogindThatKnowsNoSessionOfOurs)
{
    // logind runs (the name is owned) but has no object for our session.
    FakeService logind("org.freedesktop.login1");
    ASSERT_TRUE(logind.serving());
    LinuxSessionEvents events(noDrm(), nullptr);
    EXPECT_FALSE(events.logindConnected());
    EXPECT_TRUE(events.screenSaverWatched());
    QSignalSpy power(&events, &SessionEvents::displayPowerChanged);
    QSignalSpy ending(&events, &SessionEvents::endSessionQueried);

    logind.emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", true);
    logind.emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", false);
    QTRY_COMPARE_WITH_TIMEOUT(power.size(), 2, 10000);
    EXPECT_EQ(codes(power), (std::vector<int>{SessionEvents::PowerOff, SessionEvents::PowerOn}));
    logind.emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForShutdown",
                      true);
    QTRY_COMPARE_WITH_TIMEOUT(ending.size(), 1, 10000);

    // Someone else sending logind's signal is not logind.
    FakeService impostor("anonymous-sender");
    impostor.emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", true);
    QTest::qWait(300);
    EXPECT_EQ(power.size(), 2);
}

TEST(LinuxDesktopSessionTest, SessionScopeKeepsGraphicalSessionsApart)
{
    // The logind session decides whenever there is one.
    EXPECT_EQ(LinuxSessionIdentity::scopeFor(1000, "c2", ":0", "77"), "u1000sc2");
    EXPECT_EQ(LinuxSessionIdentity::scopeFor(1000, "c2", ":1", "78"), "u1000sc2");
    // Without one: two displays of one user are two sessions, the same display one.
    const QString seat = LinuxSessionIdentity::scopeFor(1000, {}, ":0", "77");
    const QString forwarded = LinuxSessionIdentity::scopeFor(1000, {}, "localhost:10.0", {});
    EXPECT_NE(seat, forwarded);
    EXPECT_NE(seat, LinuxSessionIdentity::scopeFor(1001, {}, ":0", "77"));
    EXPECT_EQ(seat, LinuxSessionIdentity::scopeFor(1000, {}, ":0", "77"));
    // A new X server on the same display number is another session.
    EXPECT_NE(seat, LinuxSessionIdentity::scopeFor(1000, {}, ":0", "91"));
    EXPECT_EQ(LinuxSessionIdentity::scopeFor(1000, {}, {}, {}), "u1000");
    // Object names made from the scope carry no separators from the environment.
    for (const QString& scope : {forwarded, LinuxSessionIdentity::scopeFor(0, "../x y", {}, {})})
        EXPECT_FALSE(scope.contains('/') || scope.contains('.') || scope.contains(':') || scope.contains(' '))
            << scope.toStdString();
}

TEST(LinuxDesktopSessionTest, XServerIdentityIsItsLocalSocket)
{
    const QString sockets = TestPaths::freshFolder("x11-unix");
    QFile socket(sockets + "/X42");
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();
    const QString identity = LinuxSessionIdentity::xServerIdentity(":42", sockets);
    EXPECT_FALSE(identity.isEmpty());
    EXPECT_EQ(LinuxSessionIdentity::xServerIdentity(":42.1", sockets), identity);
    EXPECT_EQ(LinuxSessionIdentity::xServerIdentity("unix:42", sockets), identity);
    EXPECT_TRUE(LinuxSessionIdentity::xServerIdentity(":43", sockets).isEmpty());
    EXPECT_TRUE(LinuxSessionIdentity::xServerIdentity("localhost:42", sockets).isEmpty());
    EXPECT_TRUE(LinuxSessionIdentity::xServerIdentity("garbage", sockets).isEmpty());

    // The server restarted: a new socket file, a new identity.
    ASSERT_TRUE(QFile::rename(sockets + "/X42", sockets + "/old"));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();
    EXPECT_NE(LinuxSessionIdentity::xServerIdentity(":42", sockets), identity);
}

} // namespace
