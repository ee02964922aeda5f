#include "platform/OSUtils.h"
#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "platform/linux/X11Dpms.h"
#include "platform/linux/X11ServerWatch.h"
#include "tests/support/DummyXServer.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class X11DesktopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_savedDisplay = qgetenv("DISPLAY");
        m_server = std::make_unique<DummyXServer>(2);
        if (!m_server->isRunning())
            GTEST_SKIP() << m_server->error().toStdString();
    }
    void TearDown() override
    {
        if (m_savedDisplay.isEmpty())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", m_savedDisplay);
    }

    QByteArray m_savedDisplay;
    std::unique_ptr<DummyXServer> m_server;
};

TEST_F(X11DesktopTest, EnergySaveSwitchesTheMonitorsOffAndOnThroughDpms)
{
    qputenv("DISPLAY", m_server->display().toLatin1());
    QString error;
    ASSERT_TRUE(Platform::select(PlatformOptions{QStringLiteral("linux"), {}, {}}, &error))
        << error.toStdString();
    if (!X11Dpms::supported()) {
        // The energy-save hours then fail with a logged reason instead of pretending.
        EXPECT_FALSE(OSUtils::turnoffdisplay());
        EXPECT_FALSE(X11Dpms::force(false, &error));
        EXPECT_EQ(error, "the X server has no DPMS");
        EXPECT_FALSE(X11Dpms::level().has_value());
        qWarning() << "DPMS switching not tested: this X server offers no DPMS extension";
        GTEST_SKIP() << "this X server offers no DPMS extension";
    }
    ASSERT_TRUE(OSUtils::turnoffdisplay());
    EXPECT_EQ(X11Dpms::level(), X11Dpms::Off);
    ASSERT_TRUE(OSUtils::turnondisplay());
    EXPECT_EQ(X11Dpms::level(), X11Dpms::On);

    // No X server: a refusal with a reason, no crash.
    EXPECT_FALSE(X11Dpms::force(false, &error, QStringLiteral(":9999")));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(X11Dpms::level(QStringLiteral(":9999")).has_value());
}

TEST_F(X11DesktopTest, AnXServerThatAppearsLaterBecomesTheDisplay)
{
    qunsetenv("DISPLAY");
    const QString sockets = TestPaths::freshFolder("x11-sockets");
    // A socket whose server does not let us in (here: none listens) is passed over.
    QFile stale(sockets + "/X9998");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    X11ServerWatch watch(sockets);
    QSignalSpy appeared(&watch, &X11ServerWatch::serverAppeared);
    EXPECT_FALSE(watch.check());
    EXPECT_TRUE(qEnvironmentVariableIsEmpty("DISPLAY"));

    // The server's socket shows up in the watched folder.
    QFile socket(sockets + "/X" + m_server->display().mid(1));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();
    QTRY_COMPARE_WITH_TIMEOUT(appeared.size(), 1, 15000);
    EXPECT_EQ(appeared.at(0).at(0).toString(), m_server->display());
    EXPECT_EQ(qEnvironmentVariable("DISPLAY"), m_server->display());
    // Once found it stays: no second announcement.
    EXPECT_TRUE(watch.check());
    EXPECT_EQ(appeared.size(), 1);
}

} // namespace
