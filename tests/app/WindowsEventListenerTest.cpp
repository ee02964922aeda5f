#include "app/WindowsEventListener.h"

#include "platform/Platform.h"
#include "platform/PlatformOptions.h"
#include "platform/sim/SimWorkstation.h"

#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class WindowsEventListenerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformOptions options;
        options.platform = QStringLiteral("sim");
        QString error;
        ASSERT_TRUE(Platform::select(options, &error)) << error.toStdString();
        listener = std::make_unique<WindowsEventListener>();
    }
    void TearDown() override
    {
        listener.reset();
        Platform::reset();
    }

    static void command(const QString& cmd, const QString& output = {}, const QString& state = {})
    {
        QJsonObject request{{QStringLiteral("cmd"), cmd}};
        if (!output.isNull())
            request.insert(QStringLiteral("output"), output);
        if (!state.isNull())
            request.insert(QStringLiteral("state"), state);
        const QJsonObject reply = Platform::workstation()->apply(request);
        ASSERT_TRUE(reply.value(QStringLiteral("ok")).toBool()) << cmd.toStdString();
    }

    std::unique_ptr<WindowsEventListener> listener;
};

TEST_F(WindowsEventListenerTest, SessionCodesMapToLockAndUnlock)
{
    QSignalSpy lock(listener.get(), &WindowsEventListener::signalSessionLock);
    QSignalSpy unlock(listener.get(), &WindowsEventListener::signalSessionUnlock);
    struct Case
    {
        int code;
        int locks;
        int unlocks;
    };
    const Case cases[] = {{1, 0, 1}, {2, 1, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0},
                          {6, 0, 0}, {7, 1, 0}, {8, 0, 1}, {0, 0, 0}, {99, 0, 0}};
    for (const Case& c : cases) {
        lock.clear();
        unlock.clear();
        listener->eventHandler(c.code, 1);
        EXPECT_EQ(lock.size(), c.locks) << "event " << c.code;
        EXPECT_EQ(unlock.size(), c.unlocks) << "event " << c.code;
    }
}

TEST_F(WindowsEventListenerTest, DisplayStateSequencesWakeOnlyAfterOffOrDimmed)
{
    using State = WindowsEventListener::DisplayState;
    struct Case
    {
        std::vector<State> states;
        int wakeUps;
    };
    const Case cases[] = {
        {{State::Off, State::On}, 1},
        {{State::On, State::On}, 0},
        {{State::Dimmed, State::On}, 1},
        {{State::Off, State::Dimmed, State::Off, State::On, State::On}, 1},
        {{State::Off, State::On, State::Off, State::On}, 2},
        {{State::Off}, 0},
    };
    for (const Case& c : cases) {
        WindowsEventListener fresh;
        QSignalSpy wake(&fresh, &WindowsEventListener::signalDisplayWakeUp);
        for (State state : c.states)
            fresh.setDisplayPowerState(state);
        EXPECT_EQ(wake.size(), c.wakeUps);
    }
    EXPECT_EQ(WindowsEventListener::displayStateFromValue(0), State::Off);
    EXPECT_EQ(WindowsEventListener::displayStateFromValue(1), State::On);
    EXPECT_EQ(WindowsEventListener::displayStateFromValue(2), State::Dimmed);
    EXPECT_EQ(WindowsEventListener::displayStateFromValue(7), State::Off);
    EXPECT_EQ(WindowsEventListener::displayStateFromValue(-1), State::Off);
}

TEST_F(WindowsEventListenerTest, SimulatedSessionRaisesTheListenerSignals)
{
    QSignalSpy lock(listener.get(), &WindowsEventListener::signalSessionLock);
    QSignalSpy unlock(listener.get(), &WindowsEventListener::signalSessionUnlock);
    command(QStringLiteral("lock"));
    command(QStringLiteral("unlock"));
    command(QStringLiteral("disconnect"));
    command(QStringLiteral("connect"));
    EXPECT_EQ(lock.size(), 2);
    EXPECT_EQ(unlock.size(), 2);
}

TEST_F(WindowsEventListenerTest, ConsolePowerFollowsAllDisplaysAndSleep)
{
    QSignalSpy wake(listener.get(), &WindowsEventListener::signalDisplayWakeUp);
    // One display going dark leaves the console on: no wake-up afterwards.
    command(QStringLiteral("power"), QStringLiteral("DP-1"), QStringLiteral("off"));
    command(QStringLiteral("power"), QStringLiteral("DP-1"), QStringLiteral("on"));
    EXPECT_EQ(wake.size(), 0);
    command(QStringLiteral("power"), QString(""), QStringLiteral("dim"));
    EXPECT_TRUE(listener->displayWasOff());
    command(QStringLiteral("power"), QString(""), QStringLiteral("on"));
    EXPECT_EQ(wake.size(), 1);
    command(QStringLiteral("sleep"));
    command(QStringLiteral("wake"));
    EXPECT_EQ(wake.size(), 2);
    EXPECT_FALSE(listener->displayWasOff());
}

TEST_F(WindowsEventListenerTest, HotPlugCountsDisplays)
{
    QSignalSpy connected(listener.get(), &WindowsEventListener::signalDisplayConnected);
    QSignalSpy disconnected(listener.get(), &WindowsEventListener::signalDisplayDisconnected);
    QSignalSpy geometry(listener.get(), &WindowsEventListener::signalDiplayGeometryChanged);
    const int atStart = listener->connectedDisplays();
    EXPECT_EQ(atStart, WindowsEventListener::totConnectedDisplays());
    ASSERT_GT(atStart, 1);

    command(QStringLiteral("unplug"), QStringLiteral("DP-2"));
    EXPECT_EQ(listener->connectedDisplays(), atStart - 1);
    EXPECT_EQ(disconnected.size(), 1);
    command(QStringLiteral("plug"), QStringLiteral("DP-2"));
    EXPECT_EQ(connected.size(), 1);
    // A rearrangement without a count change tells only the geometry.
    command(QStringLiteral("geometry"));
    EXPECT_EQ(connected.size(), 1);
    EXPECT_EQ(disconnected.size(), 1);
    EXPECT_EQ(geometry.size(), 3);
    EXPECT_EQ(listener->connectedDisplays(), atStart);
}

TEST_F(WindowsEventListenerTest, EndOfSessionPreparesThenQuitsAndListenersCoexist)
{
    WindowsEventListener second; // the task runner keeps its own
    QSignalSpy prepare(listener.get(), &WindowsEventListener::signalPrepareForQuit);
    QSignalSpy quit(listener.get(), &WindowsEventListener::signalQuit);
    QSignalSpy secondQuit(&second, &WindowsEventListener::signalQuit);
    QSignalSpy secondLock(&second, &WindowsEventListener::signalSessionLock);
    command(QStringLiteral("lock"));
    command(QStringLiteral("logoff"));
    EXPECT_EQ(prepare.size(), 1);
    EXPECT_EQ(quit.size(), 1);
    EXPECT_EQ(secondQuit.size(), 1);
    EXPECT_EQ(secondLock.size(), 1);
    command(QStringLiteral("close"));
    EXPECT_EQ(quit.size(), 2);
    EXPECT_EQ(prepare.size(), 1);
}

} // namespace
