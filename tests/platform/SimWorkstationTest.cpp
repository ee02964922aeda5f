#include "platform/sim/SimWorkstation.h"

#include "platform/sim/SimControlClient.h"
#include "platform/sim/SimControlServer.h"

#include <QDir>
#include <QJsonArray>
#include <QSignalSpy>

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <numeric>

namespace {

TEST(SimWorkstationTest, BuiltInWorkstationHasDisplaysWithValidEdid)
{
    SimWorkstation workstation;
    QString error;
    ASSERT_TRUE(workstation.loadFile(SimWorkstation::defaultWorkstationFile(), &error)) << qPrintable(error);
    const QList<SimDisplay> displays = workstation.displays();
    ASSERT_GE(displays.size(), 2);
    for (const SimDisplay& display : displays) {
        ASSERT_EQ(display.edid.size() % 128, 0) << qPrintable(display.output);
        ASSERT_GE(display.edid.size(), 128);
        EXPECT_EQ(display.edid.left(8), QByteArray::fromHex("00ffffffffffff00"));
        const int sum = std::accumulate(display.edid.begin(), display.edid.begin() + 128, 0,
                                        [](int acc, char c) { return acc + static_cast<unsigned char>(c); });
        EXPECT_EQ(sum % 256, 0) << "EDID checksum of " << qPrintable(display.output);
        EXPECT_TRUE(workstation.videoCard(display.cardId).has_value()) << qPrintable(display.cardId);
    }
}

TEST(SimWorkstationTest, BrokenFilesAreRefusedWithAReasonAndKeepThePreviousModel)
{
    SimWorkstation workstation;
    ASSERT_TRUE(workstation.loadFile(SimWorkstation::defaultWorkstationFile()));
    const int before = static_cast<int>(workstation.displays().size());
    QString error;
    EXPECT_FALSE(workstation.loadJson("{ not json", {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(workstation.loadJson(R"({"displays":[{"output":"DP-9","edid":"zz"}]})", {}, &error));
    EXPECT_TRUE(error.contains("DP-9"));
    EXPECT_FALSE(workstation.loadJson(R"({"displays":[{"edid":"00"}]})", {}, &error));
    EXPECT_FALSE(workstation.loadJson(R"({"displays":[{"output":"X","edidFile":"missing.bin"}]})",
                                      "/nonexistent", &error));
    EXPECT_EQ(workstation.displays().size(), before);
}

TEST(SimWorkstationTest, CommandsChangeStateAndSignalIt)
{
    SimWorkstation workstation;
    ASSERT_TRUE(workstation.loadFile(SimWorkstation::defaultWorkstationFile()));
    const QString output = workstation.displays().first().output;
    QSignalSpy lock(&workstation, &SimWorkstation::sessionLockChanged);
    QSignalSpy plug(&workstation, &SimWorkstation::displayConnectionChanged);
    QSignalSpy power(&workstation, &SimWorkstation::displayPowerChanged);

    EXPECT_TRUE(workstation.apply({{"cmd", "lock"}}).value("ok").toBool());
    EXPECT_TRUE(workstation.isLocked());
    EXPECT_TRUE(workstation.apply({{"cmd", "unplug"}, {"output", output}}).value("ok").toBool());
    EXPECT_FALSE(workstation.display(output)->connected);
    EXPECT_TRUE(
        workstation.apply({{"cmd", "power"}, {"output", output}, {"state", "off"}}).value("ok").toBool());
    EXPECT_EQ(workstation.display(output)->power, SimDisplay::Power::Off);

    EXPECT_FALSE(workstation.apply({{"cmd", "unplug"}, {"output", "NOPE-1"}}).value("ok").toBool());
    EXPECT_FALSE(
        workstation.apply({{"cmd", "power"}, {"output", output}, {"state", "bright"}}).value("ok").toBool());
    EXPECT_FALSE(workstation.apply({{"cmd", "explode"}}).value("ok").toBool());

    ASSERT_EQ(lock.count(), 1);
    EXPECT_TRUE(lock.at(0).at(0).toBool());
    ASSERT_EQ(plug.count(), 1);
    EXPECT_EQ(plug.at(0).at(0).toString(), output);
    EXPECT_EQ(power.count(), 1);
}

TEST(SimWorkstationTest, ControlSocketCarriesCommandsFromAnotherThread)
{
    SimWorkstation workstation;
    ASSERT_TRUE(workstation.loadFile(SimWorkstation::defaultWorkstationFile()));
    SimControlServer server(&workstation);
    const QString path =
        QDir::tempPath() + QStringLiteral("/lutloader-sim-test-%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(server.listen(path));
    QSignalSpy lock(&workstation, &SimWorkstation::sessionLockChanged);

    auto reply = std::async(std::launch::async, [path] {
        return SimControlClient::send({{"cmd", "lock"}}, path);
    });
    while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(reply.get().value("ok").toBool());
    EXPECT_TRUE(workstation.isLocked());
    EXPECT_EQ(lock.count(), 1);

    // Nobody listening: a clear failure, not a hang.
    const QJsonObject none = SimControlClient::send({{"cmd", "state"}}, path + "-nobody", 500);
    EXPECT_FALSE(none.value("ok").toBool());
    EXPECT_FALSE(none.value("error").toString().isEmpty());
}

} // namespace
