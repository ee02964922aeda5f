#include "displays/CurrentDisplays.h"

#include "platform/Platform.h"
#include "platform/sim/SimControlServer.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/displays/EdidBuilder.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>
#include <thread>

namespace {

QJsonObject display(const QString& output, const QString& card, const QRect& rect, const QByteArray& edid)
{
    return {{"output", output},
            {"card", card},
            {"rect", QJsonArray{rect.x(), rect.y(), rect.width(), rect.height()}},
            {"edid", QString::fromLatin1(edid.toHex())}};
}

// Runs the program on a simulated workstation made of these displays on one card.
void useWorkstation(const QJsonArray& displays)
{
    const QJsonObject root{
        {"name", "test workstation"},
        {"videoCards",
         QJsonArray{QJsonObject{{"id", "card0"}, {"name", "Test Adapter"}, {"pciId", "1002:6613"}}}},
        {"displays", displays}};
    const QString path = TestPaths::freshFolder("workstation") + "/workstation.json";
    QString error;
    ASSERT_TRUE(TestWorkstation::select(path, QJsonDocument(root).toJson(), &error)) << error.toStdString();
    CurrentDisplays::Clear();
}

void useDefaultWorkstation()
{
    PlatformOptions options;
    options.platform = "sim";
    ASSERT_TRUE(Platform::select(options));
    CurrentDisplays::Clear();
}

QByteArray monitor(const char* code, const QByteArray& name, quint32 number)
{
    return EdidBuilder()
        .manufacturer(code)
        .serialNumber(number)
        .timing(1280, 1024, 376, 301)
        .descriptor(0xFC, name)
        .bytes();
}

std::vector<int> ids()
{
    std::vector<int> list;
    for (unsigned i = 0; i < CurrentDisplays::DisplayCount(); ++i)
        list.push_back(CurrentDisplays::DisplayId(i));
    return list;
}

} // namespace

TEST(CurrentDisplaysTest, SimulatedWorkstationEnumeratesWithIdentitiesPlacesAndCards)
{
    useDefaultWorkstation();
    CurrentDisplays::Refresh();
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 3u);
    EXPECT_EQ(ids(), (std::vector<int>{0, 1, 2}));

    const DisplayInfo& first = CurrentDisplays::Display(0);
    EXPECT_EQ(first.deviceName(), "DP-1");
    EXPECT_EQ(first.name(), "MD21 Diagnost");
    EXPECT_EQ(first.serial(), "71004521");
    EXPECT_EQ(first.detectSerial(), "71004521");
    EXPECT_EQ(first.shortManufacturer(), "KLD");
    EXPECT_EQ(first.manufacture(), "KLD");
    EXPECT_EQ(first.rect(), QRect(0, 0, 2048, 1536));
    EXPECT_EQ(first.right(), 2047);
    EXPECT_EQ(first.width(), 2048);
    EXPECT_EQ(first.widthMm(), 423);
    EXPECT_EQ(first.edidLength(), 128);
    EXPECT_EQ(first.productCode()[0], 0x31);

    const DisplayInfo& third = CurrentDisplays::DisplayById(2);
    EXPECT_EQ(third.deviceName(), "HDMI-1");
    EXPECT_EQ(third.name(), "PressView 24");
    EXPECT_EQ(third.crtc(), 0); // first CRTC of the second card
    EXPECT_EQ(CurrentDisplays::GetVideoCardName(2), "Simulated Graphics Adapter B");
    EXPECT_EQ(CurrentDisplays::GetVideoCardKey(2), "card1");
    EXPECT_EQ(CurrentDisplays::displayIdByCoordinates(4096, 0), 2);
    EXPECT_EQ(CurrentDisplays::displayIdByCoordinates(2047, 1535), 0);
    EXPECT_EQ(CurrentDisplays::displayIdByCoordinates(-5, 0), -1);
    EXPECT_TRUE(CurrentDisplays::DisplayById(77).isEmpty());
    EXPECT_FALSE(CurrentDisplays::IsDisplaysChanged());
}

TEST(CurrentDisplaysTest, UnplugAndPlugAreChangesAndIdsStayWithTheirDisplays)
{
    useDefaultWorkstation();
    CurrentDisplays::Refresh();
    CurrentDisplays::SetDisplayId(2, 12); // as the database assigns them
    CurrentDisplays::setAmbientSensor(12, true);
    SimWorkstation& workstation = *Platform::workstation();

    ASSERT_TRUE(workstation.apply({{"cmd", "unplug"}, {"output", "DP-2"}}).value("ok").toBool());
    EXPECT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_FALSE(CurrentDisplays::IsDisplaysChanged());
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 2u);
    EXPECT_EQ(ids(), (std::vector<int>{0, 12}));
    EXPECT_FALSE(CurrentDisplays::IsDisplayConnected(1));
    EXPECT_EQ(CurrentDisplays::DisplayById(12).deviceName(), "HDMI-1");
    EXPECT_TRUE(CurrentDisplays::ambientSensor(12));

    // Back again it is a new display to the running program: the database gives it its id again.
    ASSERT_TRUE(workstation.apply({{"cmd", "plug"}, {"output", "DP-2"}}).value("ok").toBool());
    EXPECT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_EQ(ids(), (std::vector<int>{0, 13, 12}));
    EXPECT_EQ(CurrentDisplays::DisplayById(13).serial(), "71004522");
}

// What a reader (a load thread) got stays valid while another thread refreshes the list.
// Outputs that did not change are the same displays: their EDIDs are not read again. A list
// that was changed by hand is still compared in full.
TEST(CurrentDisplaysTest, UnchangedOutputsAreNotReadAgainButAHandEditedListIsCompared)
{
    useDefaultWorkstation();
    CurrentDisplays::Refresh();
    {
        const LogCapture log;
        EXPECT_FALSE(CurrentDisplays::IsDisplaysChanged());
        EXPECT_FALSE(log.contains("@@ Dump"));
    }
    CurrentDisplays::RemoveDisplayByIndex(1);
    EXPECT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_EQ(CurrentDisplays::DisplayCount(), 3u);
    EXPECT_FALSE(CurrentDisplays::IsDisplaysChanged());

    CurrentDisplays::Clear();
    CurrentDisplays::AddDisplay(5, DisplayInfo());
    EXPECT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_EQ(CurrentDisplays::DisplayCount(), 3u);
}

TEST(CurrentDisplaysTest, DisplayHeldByAReaderOutlivesARefresh)
{
    useDefaultWorkstation();
    CurrentDisplays::Refresh();
    const DisplayInfo& byId = CurrentDisplays::DisplayById(1);
    const DisplayInfo& byIndex = CurrentDisplays::Display(2);
    std::thread refresher([] {
        for (int i = 0; i < 20; ++i)
            CurrentDisplays::NonCachedRefresh();
    });
    refresher.join();
    EXPECT_EQ(byId.deviceName(), "DP-2");
    EXPECT_EQ(byId.serial(), "71004522");
    EXPECT_EQ(byIndex.deviceName(), "HDMI-1");
}

TEST(CurrentDisplaysTest, HotPlugThroughTheCommandLineToolIsSeen)
{
    useDefaultWorkstation();
    CurrentDisplays::Refresh();
    SimControlServer server(Platform::workstation());
    ASSERT_TRUE(server.listen());
    QProcess ctl;
    ctl.start(TestPaths::ctlProgram(), {"--platform", "sim", "sim", "unplug", "HDMI-1"});
    ASSERT_TRUE(ctl.waitForStarted());
    while (ctl.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    EXPECT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_EQ(CurrentDisplays::DisplayCount(), 2u);
    EXPECT_FALSE(CurrentDisplays::IsDisplayConnected(2));
}

TEST(CurrentDisplaysTest, UserSerialsSurviveRefreshesAndNeighboursComingAndGoing)
{
    useDefaultWorkstation();
    CurrentDisplays::NonCachedRefresh();
    CurrentDisplays::setDisplaySerial(1, "USER-7");
    CurrentDisplays::setDisplayName(1, "Reading room left");
    CurrentDisplays::NonCachedRefresh();
    EXPECT_EQ(CurrentDisplays::DisplayById(1).serial(), "USER-7");
    EXPECT_EQ(CurrentDisplays::DisplayById(1).detectSerial(), "71004522");
    EXPECT_EQ(CurrentDisplays::currentUserSerials(), (std::map<int, QString>{{1, "USER-7"}}));

    Platform::workstation()->apply({{"cmd", "unplug"}, {"output", "DP-1"}});
    ASSERT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_EQ(CurrentDisplays::Display(0).deviceName(), "DP-2");
    EXPECT_EQ(CurrentDisplays::Display(0).serial(), "USER-7");
    EXPECT_EQ(CurrentDisplays::DisplayId(0), 1);

    CurrentDisplays::Clear();
    CurrentDisplays::restoreUserSerials({{1, "RESTORED"}});
    CurrentDisplays::Refresh();
    EXPECT_EQ(CurrentDisplays::DisplayById(1).serial(), "RESTORED");
}

TEST(CurrentDisplaysTest, DisplaysWithoutUsableSerialAreKeptApartByTheirOutputs)
{
    const QByteArray twin =
        EdidBuilder().manufacturer("NEC").serialNumber(0x01010101).descriptor(0xFC, "PA271\n").bytes();
    useWorkstation({display("DP-1", "card0", {0, 0, 1920, 1080}, twin),
                    display("DP-2", "card0", {1920, 0, 1920, 1080}, twin),
                    display("VGA-1", "card0", {3840, 0, 1024, 768}, {})});
    CurrentDisplays::Refresh();
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 3u);
    EXPECT_EQ(CurrentDisplays::Display(0).serial(), "DP-1");
    EXPECT_EQ(CurrentDisplays::Display(1).serial(), "DP-2");
    EXPECT_EQ(CurrentDisplays::Display(0).name(), "PA271");
    // No EDID at all: still a display, known by its output.
    EXPECT_EQ(CurrentDisplays::Display(2).serial(), "VGA-1");
    EXPECT_EQ(CurrentDisplays::Display(2).name(), "");
    EXPECT_EQ(CurrentDisplays::Display(2).edidLength(), 0);
    EXPECT_EQ(CurrentDisplays::Display(2).widthMm(), -1);
}

TEST(CurrentDisplaysTest, LGSerialsAreReconciledWithTheirPorts)
{
    useWorkstation({display("DP-1", "card0", {0, 0, 1280, 1024}, monitor("GSM", "31HN713D\n", 1001)),
                    display("DP-2", "card0", {1280, 0, 1280, 1024}, monitor("GSM", "21HK512D\n", 0x1002)),
                    display("DP-3", "card0", {2560, 0, 1280, 1024}, monitor("GSM", "19HK312\n", 1003))});
    // None answers on a COM port: numbered in order; the detect serial keeps the hardware's.
    DisplayEnumerator::setLGPortSource({});
    CurrentDisplays::Refresh();
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 3u);
    EXPECT_EQ(CurrentDisplays::Display(0).serial(), "DISPLAY1");
    EXPECT_EQ(CurrentDisplays::Display(1).serial(), "DISPLAY2");
    EXPECT_EQ(CurrentDisplays::Display(2).serial(), "DISPLAY3");
    EXPECT_EQ(CurrentDisplays::Display(0).detectSerial(), "000003e9");

    // Port A reports DP-2's serial; port B reports DP-3's model with its own serial.
    const auto block = [](const QByteArray& serial, const QByteArray& name) {
        QByteArray b(32, '\0');
        b.replace(4, serial.size(), serial);
        b.replace(17, name.size(), name);
        return b.left(32);
    };
    DisplayEnumerator::setLGPortSource([&block] {
        return QList<DisplayEnumerator::LGPortIdentity>{{"COM3", block("00001002", "OTHER")},
                                                        {"COM4", block("7-09 XK#44", "19HK312")}};
    });
    CurrentDisplays::NonCachedRefresh();
    DisplayEnumerator::setLGPortSource({});
    EXPECT_EQ(CurrentDisplays::Display(0).serial(), "DISPLAY1");
    EXPECT_EQ(CurrentDisplays::Display(1).serial(), "00001002");
    EXPECT_EQ(CurrentDisplays::Display(2).serial(), "709XK44");
}

TEST(CurrentDisplaysTest, SplitHalvesOfWideDisplaysAreJoined)
{
    const QByteArray wide = monitor("WKC", "CW60N\n", 5001);
    useWorkstation({display("DP-1", "card0", {0, 0, 1536, 2048}, wide),
                    display("DP-2", "card0", {1536, 0, 1536, 2048}, wide),
                    display("DP-3", "card0", {3072, 0, 1280, 1024}, monitor("DEL", "U2412M\n", 77))});
    CurrentDisplays::Refresh();
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 2u);
    const DisplayInfo& joined = CurrentDisplays::Display(0);
    EXPECT_EQ(joined.rect(), QRect(0, 0, 3072, 2048));
    EXPECT_EQ(joined.width(), 3072);
    EXPECT_EQ(joined.height(), 2048);
    EXPECT_EQ(CurrentDisplays::Display(1).deviceName(), "DP-3");
    EXPECT_EQ(CurrentDisplays::GetVideoCardKey(CurrentDisplays::DisplayId(1)), "card0");

    // Turned clockwise the halves are stacked; EIZO halves also add their millimetres.
    const QByteArray eizo = monitor("EIZ", "RX850\n", 9001);
    useWorkstation({display("DP-1", "card0", {0, 0, 2048, 1536}, wide),
                    display("DP-2", "card0", {0, 1536, 2048, 1536}, wide),
                    display("DP-3", "card0", {2048, 0, 2048, 1536}, eizo),
                    display("DP-4", "card0", {4096, 0, 2048, 1536}, eizo)});
    CurrentDisplays::Refresh();
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 2u);
    EXPECT_EQ(CurrentDisplays::Display(0).rect(), QRect(0, 0, 2048, 3072));
    EXPECT_EQ(CurrentDisplays::Display(0).height(), 3072);
    EXPECT_EQ(CurrentDisplays::Display(1).rect(), QRect(2048, 0, 4096, 1536));
    EXPECT_EQ(CurrentDisplays::Display(1).widthMm(), 752);
}
