#include "displays/DisplayFactory.h"

#include "displays/BaseDisplay.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIControl.h"
#include "displays/DDCCIFactory.h"
#include "displays/DisplaysTools.h"
#include "lut/WindowsLUT.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/displays/SimDisplays.h"
#include "tests/lut/profile/LogCapture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The types tried, in order, as the detection logged them.
QList<int> triedTypes(const QString& log)
{
    static const QRegularExpression tried(QStringLiteral("--Detect Display\\. id=-?\\d+ type=(\\d+)"));
    QList<int> types;
    for (auto it = tried.globalMatch(log); it.hasNext();)
        types << it.next().captured(1).toInt();
    return types;
}

QList<int> listValues(const DisplayFactory::displays_t* list)
{
    QList<int> values;
    for (; *list != DisplayFactory::DISPLAY_END; ++list)
        values << int(*list);
    return values;
}

class DisplayFactoryFixture : public ::testing::Test
{
protected:
    void install(const QStringList& displays)
    {
        QString error;
        ASSERT_TRUE(SimDisplays::install(displays, &error)) << qPrintable(error);
    }
    void TearDown() override
    {
        for (int id = -1; id < 10; ++id) {
            DisplayFactory::releaseCachedDisplay(id);
            DDCCIFactory::releaseDDCCI(id);
        }
        SimDisplays::uninstall();
    }

    // The first display id of the current enumeration.
    static int firstId() { return CurrentDisplays::DisplayId(0); }
};

const QByteArray PlainEdid = SimDisplays::edid("ABC", 0x1234, QStringLiteral("Office 24"));

} // namespace

TEST_F(DisplayFactoryFixture, ProbeListsRunInTheirOrderAndSkipTypesWithoutAClass)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    LogCapture log;
    EXPECT_EQ(DisplayFactory::detectDisplayFromList(firstId(), 3, DisplayFactory::SerialList), nullptr);
    EXPECT_EQ(triedTypes(log.all()), (QList<int>{34, 29, 40, 14, 15, 12, 11, 13}));
    EXPECT_EQ(log.all().count(QStringLiteral("unknown display type")), 5);
    EXPECT_TRUE(log.contains(QStringLiteral("port=3")));
    EXPECT_TRUE(log.contains(QStringLiteral("Detect Display end!")));

    EXPECT_EQ(listValues(DisplayFactory::USBList),
              (QList<int>{37, 28, 22, 38, 4, 16, 26, 33, 39, 35, 25, 5, 7, 24, 40, 34, 29, 31, 30}));
    EXPECT_EQ(listValues(DisplayFactory::PowerList), (QList<int>{37, 4, 16, 33, 39, 21, 35, 2}));
    EXPECT_EQ(listValues(DisplayFactory::DDCCIList),
              (QList<int>{27, 37, 28, 23, 19, 30, 31, 38, 4,  16, 26, 33, 39, 35, 3,
                          25, 5,  7,  8,  17, 24, 6,  9,  10, 34, 29, 40, 41, 2}));
    EXPECT_EQ(listValues(DisplayFactory::UsualList), (QList<int>{37, 22, 38, 20, 29, 20, 34, 29, 1}));
}

TEST_F(DisplayFactoryFixture, EveryTypeBuildsItsClassAndTheRestBuildNothing)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    const std::map<int, const char*> classes = {
        {1, "BaseDisplay"},
        {2, "DDCCIDisplay"},
        {3, "NECDisplay"},
        {4, "DELLDisplay"},
        {5, "OlorinDisplay"},
        {6, "DivaDisplay"},
        {7, "TaiwanDisplay"},
        {8, "USEIDisplay"},
        {9, "LumimedDisplay"},
        {10, "LGDisplay"},
        {16, "DELLUltraSharpDisplay"},
        {17, "SuperSonicDisplay"},
        {19, "SonyPVM2551MD"},
        {20, "SonyPVM2551MD"},
        {21, "DellUnknownDisplay"},
        {22, "TotokuDisplay"},
        {23, "BeaconDisplay"},
        {24, "NewDivaDisplay"},
        {25, "Diva2Display"},
        {26, "DellMStarUPDisplay"},
        {27, "AdvantechMultiLutDisplay"},
        {28, "AdvantechDisplay"},
        {29, "GoomediDisplay"},
        {30, "WideDisplayDDCCI"},
        {31, "WideDisplayUSB"},
        {33, "DellUP3017Display"},
        {34, "GoomediMSADisplay"},
        {35, "LgMedicalUART"},
        {36, "LgMedicalDdcci"},
        {37, "LGMedicalSoftware"},
        {38, "EizoDisplay"},
        {39, "DellUp2718qDisplay"},
        {40, "ArtechDisplayUart"},
        {41, "ArtechDisplayDdcci"},
    };
    for (int type = 0; type <= 42; ++type) {
        std::unique_ptr<BaseDisplay> display(
            DisplayFactory::getInstance(firstId(), DisplayFactory::displays_t(type), 1));
        const auto it = classes.find(type);
        if (it == classes.end()) {
            EXPECT_EQ(display, nullptr) << type;
            continue;
        }
        ASSERT_NE(display, nullptr) << type;
        EXPECT_STREQ(display->metaObject()->className(), it->second) << type;
        EXPECT_EQ(display->displayId(), firstId());
    }
}

TEST_F(DisplayFactoryFixture, PlainDisplayEndsAsBaseDisplayWithTheVideoCardRamp)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid),
             SimDisplays::display(QStringLiteral("HDMI-1"), PlainEdid)});
    const int id = CurrentDisplays::DisplayId(1);
    LogCapture log;
    const std::shared_ptr<BaseDisplay> display =
        DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    ASSERT_NE(display, nullptr);
    EXPECT_STREQ(display->metaObject()->className(), "BaseDisplay");
    EXPECT_TRUE(log.contains(QStringLiteral("DDC/CI not supported")));
    EXPECT_TRUE(log.contains(QStringLiteral("Try to detect usual display")));
    EXPECT_FALSE(log.contains(QStringLiteral("Try attachinternal")));
    EXPECT_EQ(triedTypes(log.all()), listValues(DisplayFactory::UsualList));
    // The failed DDC/CI probe gave its channel back.
    EXPECT_FALSE(DDCCIFactory::isPooled(id));

    // The LUT drives the ramp of this display's output and no other.
    auto* lut = qobject_cast<WindowsLUT*>(display->lut());
    ASSERT_NE(lut, nullptr);
    EXPECT_EQ(lut->deviceName(), QStringLiteral("HDMI-1"));
    EXPECT_EQ(lut->thread(), QThread::currentThread());
    EXPECT_EQ(display->thread(), QThread::currentThread());
    luts_t table(3, std::vector<int>(256));
    for (int i = 0; i < 256; ++i)
        table[0][i] = table[1][i] = table[2][i] = i * 200;
    ASSERT_TRUE(lut->UploadLUT(table));
    GammaRamp ramp;
    auto device = Platform::backend().gammaRamps().open(QStringLiteral("HDMI-1"));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->read(ramp));
    EXPECT_EQ(ramp[1][255], 255 * 200);
    auto other = Platform::backend().gammaRamps().open(QStringLiteral("DP-1"));
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(other->read(ramp));
    EXPECT_NE(ramp[1][255], 255 * 200);

    // Once the display has left, its LUT no longer names an output to load into.
    const QJsonObject unplugged = Platform::workstation()->apply({{"cmd", "unplug"}, {"output", "HDMI-1"}});
    ASSERT_TRUE(unplugged.value("ok").toBool());
    CurrentDisplays::NonCachedRefresh();
    EXPECT_TRUE(lut->deviceName().isEmpty());
}

TEST_F(DisplayFactoryFixture, PoolKeepsOneObjectPerIdAndCachesNothingOnNull)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    const int id = firstId();
    const auto first = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    const auto second = DisplayFactory::cachedDetect(id, DISPIFACE_USB, DISPIFACE_VIDEOCARD, 1, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first.get(), second.get());

    // Power control finds nothing for a display without a control channel.
    const int unknownId = 7;
    LogCapture log;
    EXPECT_EQ(DisplayFactory::cachedDetect(unknownId, DISPIFACE_POWER, DISPIFACE_NONE, 1, false), nullptr);
    EXPECT_FALSE(DisplayFactory::isCached(unknownId));
    EXPECT_EQ(DisplayFactory::cachedDetect(unknownId, DISPIFACE_POWER, DISPIFACE_NONE, 1, false), nullptr);
    EXPECT_EQ(log.all().count(QStringLiteral("Detect Display Start!")), 2);
}

TEST_F(DisplayFactoryFixture, ReleasedObjectsLiveOnWithTheirHolders)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    const int id = firstId();
    std::shared_ptr<BaseDisplay> held =
        DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    ASSERT_NE(held, nullptr);
    QPointer<BaseDisplay> watch(held.get());

    DisplayFactory::releaseCachedDisplayIfUnused(id);
    EXPECT_TRUE(DisplayFactory::isCached(id));
    EXPECT_EQ(DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false), held);

    DisplayFactory::releaseCachedDisplay(id);
    EXPECT_FALSE(DisplayFactory::isCached(id));
    EXPECT_FALSE(watch.isNull());
    const auto fresh = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    EXPECT_NE(fresh, held);
    held.reset();
    EXPECT_TRUE(watch.isNull());

    DisplayFactory::UpdateDisplayInfo(id, DISPIFACE_VIDEOCARD);
    const auto updated = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    EXPECT_NE(updated, fresh);

    DisplayFactory::releaseCachedDisplayIfUnused(id);
    EXPECT_TRUE(DisplayFactory::isCached(id)); // `updated` still holds it
}

TEST_F(DisplayFactoryFixture, DetectionServesTheCallersEvents)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    bool served = false;
    QTimer::singleShot(0, [&served] { served = true; });
    std::unique_ptr<BaseDisplay> display(
        DisplayFactory::detect(firstId(), DISPIFACE_USB, DISPIFACE_VIDEOCARD, 1, false));
    EXPECT_TRUE(served);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->thread(), QThread::currentThread());
}

TEST_F(DisplayFactoryFixture, VendorDisplaysAreRecognisedButHaveNoChannelYet)
{
    struct Case
    {
        const char* vendor;
        quint16 product;
        const char* name;
        DisplayFactory::displays_t type;
        const char* expected; // logged once the identity was accepted, or why it was refused
    };
    const Case cases[] = {
        {"DEL", 0x4063, "DELL U3011", DisplayFactory::DISPLAY_DELL, "Can't fetch code for DELL!"},
        {"DEL", 0x4064, "DELL U3011", DisplayFactory::DISPLAY_DELL, "wrong manufacturer or product code"},
        {"DEL", 0x1111, "DELL P2419H", DisplayFactory::DISPLAY_DELL_ULTRASHARP,
         "not Dell UltraSharp display"},
        {"DEL", 0x1111, "DELL U2720Q", DisplayFactory::DISPLAY_DELL_ULTRASHARP, "Can't fetch code for DELL!"},
        {"DEL", 0x1111, "DELL UP3017", DisplayFactory::DISPLAY_DELL_UP3017, "failed to read capabilities"},
        {"DVA", 0xF001, "RAP2102", DisplayFactory::DISPLAY_DIVA, "Deprecated DIVA display"},
        {"ABC", 0xF001, "RAP2102", DisplayFactory::DISPLAY_OLORIN, "wrong manufacturer"},
        {"HYC", 0x414D, "SR-21MDCUS", DisplayFactory::DISPLAY_LG, "LG: wrong EDID"},
        {"HYC", 0x414D, "SR-21MDCUS", DisplayFactory::DISPLAY_LUMIMED, "failed to read capabilities"},
        {"GSM", 0x5818, "E2241", DisplayFactory::DISPLAY_LG_MEDICAL_DDCCI, "Not supported LG display model"},
        {"GSM", 0x7777, "21HK512D", DisplayFactory::DISPLAY_LG_MEDICAL_UART, "answers on no COM port"},
        {"WKC", 0x0001, "CX50", DisplayFactory::DISPLAY_WIDE_DDCCI, "Unknown WIDE display"},
        {"ENC", 0x0001, "RX250", DisplayFactory::DISPLAY_EIZO, "libEizMonCtrl not available"},
        {"ABC", 0x0001, "LMD-DM20", DisplayFactory::DISPLAY_TOTOKU, "USB HID transport not available"},
        {"ABC", 0x0001, "Office", DisplayFactory::DISPLAY_TOTOKU, "Not a Sony/Totoku/JVC display"},
        {"ABC", 0x0001, "Office", DisplayFactory::DISPLAY_ARTECH_DDCCI, "No Artech display"},
        {"NEC", 0x0001, "PA271", DisplayFactory::DISPLAY_NEC, "failed to read capabilities"},
    };
    for (const Case& c : cases) {
        install({SimDisplays::display(QStringLiteral("DP-1"),
                                      SimDisplays::edid(c.vendor, c.product, QString::fromLatin1(c.name)))});
        LogCapture log;
        std::unique_ptr<BaseDisplay> display(DisplayFactory::getInstance(firstId(), c.type, 0));
        ASSERT_NE(display, nullptr);
        display->connect();
        EXPECT_FALSE(display->ok()) << c.name;
        EXPECT_TRUE(log.contains(QString::fromLatin1(c.expected)) ||
                    display->mismatch().contains(QString::fromLatin1(c.expected)))
            << c.name << " " << int(c.type) << "\n"
            << qPrintable(log.all());
    }
}

TEST_F(DisplayFactoryFixture, NoDisplaysAreSwitchedOffInFourSeconds)
{
    install({});
    int delay = -1;
    DisplaysTools::TurnOffDisplays(&delay);
    EXPECT_EQ(delay, 4000);
    DisplaysTools::TurnOffDisplays(nullptr);
}

TEST_F(DisplayFactoryFixture, PowerToolsLeaveNothingCachedThatNobodyHolds)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), SimDisplays::edid("DEL", 0x1111, "DELL UP2718Q")),
             SimDisplays::display(QStringLiteral("DP-2"), PlainEdid)});
    int delay = -1;
    LogCapture log;
    DisplaysTools::TurnOffDisplays(&delay);
    EXPECT_EQ(delay, 4000);
    EXPECT_EQ(log.all().count(QStringLiteral("detected DISPIFACE_POWER - null")), 2);

    const int id = firstId();
    const auto held = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id);
    DisplaysTools::TurnOnAndReleaseDisplays();
    EXPECT_TRUE(DisplayFactory::isCached(id));
    EXPECT_FALSE(DDCCIFactory::isPooled(id));

    // A display that left keeps no object or channel in the pools.
    const int goneId = 42;
    ASSERT_NE(DisplayFactory::cachedDetect(goneId, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false), nullptr);
    DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, goneId);
    DisplaysTools::releaseDisplays();
    EXPECT_FALSE(DisplayFactory::isCached(id));
    EXPECT_TRUE(DisplayFactory::cachedIds().empty());
    EXPECT_TRUE(DDCCIFactory::pooledIds().empty());
    EXPECT_NE(held, nullptr);
}

TEST_F(DisplayFactoryFixture, NestedDetectionOfTheSameIdSharesOneObject)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    const int id = firstId();
    std::shared_ptr<BaseDisplay> nested;
    QTimer::singleShot(0, [&nested, id] {
        nested = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    });
    const auto outer = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(outer, nested);
    EXPECT_EQ(DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false), outer);
}

TEST_F(DisplayFactoryFixture, RealEdidsReachTheirVendorClasses)
{
    const auto fixture = [](const char* name) {
        QFile file(QStringLiteral(EDID_FIXTURE_DIR "/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray dell = fixture("DELL-U2713H.bin");
    const QByteArray lg = fixture("LG-L225W-External.bin");
    ASSERT_FALSE(dell.isEmpty());
    ASSERT_FALSE(lg.isEmpty());
    install({SimDisplays::display(QStringLiteral("DP-1"), dell),
             SimDisplays::display(QStringLiteral("DP-2"), lg)});

    const auto connectAs = [](int id, DisplayFactory::displays_t type) {
        LogCapture log;
        std::unique_ptr<BaseDisplay> display(DisplayFactory::getInstance(id, type, 0));
        display->connect();
        EXPECT_FALSE(display->ok());
        // Why a class is not the display is kept for the factory's single line, not logged.
        return log.all() + display->mismatch();
    };
    const int dellId = CurrentDisplays::DisplayId(0);
    const int lgId = CurrentDisplays::DisplayId(1);
    EXPECT_TRUE(
        connectAs(dellId, DisplayFactory::DISPLAY_DELL_ULTRASHARP).contains("Can't fetch code for DELL!"));
    EXPECT_TRUE(
        connectAs(dellId, DisplayFactory::DISPLAY_DELL_UNKNOWN).contains("failed to read capabilities"));
    EXPECT_TRUE(connectAs(dellId, DisplayFactory::DISPLAY_DELL).contains("not a DELL U3011 display"));
    EXPECT_TRUE(
        connectAs(lgId, DisplayFactory::DISPLAY_LG_MEDICAL_DDCCI).contains("Not supported LG display model"));
    EXPECT_TRUE(connectAs(lgId, DisplayFactory::DISPLAY_LG).contains("failed to read capabilities"));
    EXPECT_TRUE(connectAs(lgId, DisplayFactory::DISPLAY_DELL_UNKNOWN).contains("manufacturer is not dell"));
}

TEST_F(DisplayFactoryFixture, ThreadsAskingForTheSameDisplayShareOneObject)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    const int id = firstId();
    std::shared_ptr<BaseDisplay> fromWorker;
    std::unique_ptr<QThread> worker(QThread::create([&fromWorker, id] {
        fromWorker = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    }));
    worker->start();
    const auto fromMain = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    while (!worker->wait(QDeadlineTimer(10)))
        QCoreApplication::processEvents();
    ASSERT_NE(fromMain, nullptr);
    EXPECT_EQ(fromWorker, fromMain);
    EXPECT_EQ(fromMain->thread(), QThread::currentThread());
    EXPECT_EQ(fromMain->lut()->thread(), QThread::currentThread());

    // Whichever thread detects, the pooled object lives on in the application's thread.
    DisplayFactory::releaseCachedDisplay(id);
    std::unique_ptr<QThread> loader(QThread::create([&fromWorker, id] {
        fromWorker = DisplayFactory::cachedDetect(id, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, 1, false);
    }));
    loader->start();
    while (!loader->wait(QDeadlineTimer(10)))
        QCoreApplication::processEvents();
    ASSERT_NE(fromWorker, nullptr);
    EXPECT_EQ(fromWorker->thread(), QThread::currentThread());
    EXPECT_EQ(fromWorker->lut()->thread(), QThread::currentThread());
}

TEST_F(DisplayFactoryFixture, MatroxBoardsTakeTheLutBeforeTheSystemRamp)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid),
             SimDisplays::display(QStringLiteral("DP-2"), PlainEdid, true,
                                  QStringLiteral(R"("xenia": {"boardDisplay": 2, "rampSize": 1024})")),
             SimDisplays::display(QStringLiteral("DP-3"), PlainEdid, true,
                                  QStringLiteral(R"("matrox": {"port": 1, "bitsPerChannel": 10})"))});
    const auto lutClass = [](int index) {
        std::unique_ptr<LUT> lut(DisplayFactory::createLUT(CurrentDisplays::DisplayId(index)));
        return lut ? QString::fromLatin1(lut->metaObject()->className()) : QString();
    };
    EXPECT_EQ(lutClass(0), QStringLiteral("WindowsLUT"));
    EXPECT_EQ(lutClass(1), QStringLiteral("MatroxXeniaLUT"));
    EXPECT_EQ(lutClass(2), QStringLiteral("MatroxLUT"));
    EXPECT_EQ(DisplayFactory::createForegroundLUT(CurrentDisplays::DisplayId(0)), nullptr);
}

TEST_F(DisplayFactoryFixture, ChannelPoolKeepsATransportSomeoneHolds)
{
    install({SimDisplays::display(QStringLiteral("DP-1"), PlainEdid)});
    const int id = firstId();
    const auto held = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id);
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(held->test());
    EXPECT_EQ(DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id), held);
    unsigned char reply[8] = {};
    EXPECT_EQ(held->read(reply, sizeof reply), -1);
    EXPECT_EQ(held->lastError(), 5);

    DDCCIFactory::releaseDDCCIIfUnused(id);
    EXPECT_TRUE(DDCCIFactory::isPooled(id));
    DDCCIFactory::releaseDDCCI(id);
    EXPECT_FALSE(DDCCIFactory::isPooled(id));
    EXPECT_NE(DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, id), held);
}
