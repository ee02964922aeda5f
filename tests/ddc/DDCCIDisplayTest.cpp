#include "displays/DDCCIDisplay.h"

#include "displays/CParseCapabilityString.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIControl.h"
#include "displays/DisplayFactory.h"
#include "platform/sim/SimMccsMonitor.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/lut/profile/LogCapture.h"

#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

luts_t ramp(int size, int max, int offset)
{
    luts_t table(3, std::vector<int>(static_cast<size_t>(size)));
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < size; ++i)
            table[c][i] = qMin(max, i * max / (size - 1) / (c + 1) + offset);
    return table;
}

} // namespace

class DDCCIDisplayTest : public DdcFixture
{
protected:
    std::unique_ptr<DDCCIDisplay> connected(int index = 0)
    {
        auto display = std::make_unique<DDCCIDisplay>(CurrentDisplays::DisplayId(index));
        display->connect();
        return display;
    }
};

TEST_F(DDCCIDisplayTest, ConnectReadsCapabilitiesAndControlsWork)
{
    ASSERT_TRUE(installMonitors({generic("DP-1")}));
    auto d = connected();
    ASSERT_TRUE(d->ok());
    EXPECT_EQ(d->capabilitiesString().find("VCP("), d->capabilitiesString().find("VCP"));
    EXPECT_TRUE(d->capabilityParser().IsVCPEnumerated(0x14));
    unsigned max = 0;
    ASSERT_TRUE(d->isBrightnessAvailable(&max));
    EXPECT_EQ(max, 100u);
    EXPECT_EQ(d->brightness(), 50u);
    d->setBrightness(80);
    EXPECT_TRUE(d->ok());
    EXPECT_EQ(d->brightness(), 80u);
    d->setChannel(colorchannel_t(1), 90);
    EXPECT_TRUE(d->ok());
    EXPECT_EQ(d->channel(colorchannel_t(1)), 90);
    EXPECT_EQ(d->channel(colorchannel_t(3)), -1);
    EXPECT_FALSE(d->ok());
    d->off();
    EXPECT_EQ(monitorState("DP-1").value("vcp").toObject().value("D6").toInt(), 4);
    d->on();
    EXPECT_EQ(monitorState("DP-1").value("vcp").toObject().value("D6").toInt(), 1);
    d->makeReset();
    EXPECT_TRUE(d->ok());
    EXPECT_EQ(d->brightness(), 50u);
    // No LUT listed: the display takes calibrations only through the video card.
    EXPECT_EQ(d->GetCommunicationMode(), 1);
}

TEST_F(DDCCIDisplayTest, ExtraReplyBytesAreLearnedOnceAndKept)
{
    ASSERT_TRUE(installMonitors({generic("DP-1", "SIM", "Sim", R"("faults": {"extraReplyBytes": 2})")}));
    LogCapture log;
    auto d = connected();
    ASSERT_TRUE(d->ok()) << log.all().toStdString();
    EXPECT_EQ(d->readSizeExtension(), 2);
    EXPECT_TRUE(log.all().contains("read works with package size extend"));
    const qsizetype mark = log.all().size();
    EXPECT_EQ(d->contrast(), 70);
    EXPECT_FALSE(log.all().mid(mark).contains("try with wrong package sizes")) << "the size is kept";
}

TEST_F(DDCCIDisplayTest, FaultsGiveALogLineAndANeutralResult)
{
    ASSERT_TRUE(
        installMonitors({generic("DP-1", "SIM", "Sim", R"("faults": {"failAtCapabilitiesEnd": true})"),
                         generic("DP-2", "SIM", "Sim", R"("faults": {"duplicateSecondByte": true})"),
                         generic("DP-3", "SIM", "Sim", R"("faults": {"failSave": true})"), silent("DP-4"),
                         generic("DP-5", "SIM", "Sim", R"("faults": {"badChecksums": 2})")}));
    LogCapture log;
    auto failingEnd = connected(0);
    EXPECT_TRUE(failingEnd->ok());
    EXPECT_TRUE(log.all().contains("something wrong with cap reading, but string is ok"));

    // A repeated byte makes full capability fragments one byte longer than asked for: the string
    // still arrives whole, and Get-VCP recovers through the extension.
    auto duplicating = connected(1);
    ASSERT_TRUE(duplicating->ok()) << log.all().toStdString();
    EXPECT_EQ(duplicating->capabilitiesString(),
              SimMccsMonitor::defaultCapabilities(false).replace("vcp", "VCP").toStdString());
    EXPECT_TRUE(log.all().contains("reading fragments one byte longer"));
    EXPECT_EQ(duplicating->brightness(), 50u);

    auto noSave = connected(2);
    ASSERT_TRUE(noSave->ok());
    noSave->setChannel(colorchannel_t(0), 10);
    EXPECT_FALSE(noSave->ok()) << "the gain was set but not saved";
    EXPECT_EQ(noSave->channel(colorchannel_t(0)), 10);

    const qsizetype mark = log.all().size();
    auto silentDisplay = connected(3);
    EXPECT_FALSE(silentDisplay->ok());
    EXPECT_TRUE(log.all().mid(mark).contains("failed to read capabilities"));
    EXPECT_EQ(silentDisplay->brightness(), unsigned(-1));
    EXPECT_FALSE(silentDisplay->ok());

    // Two broken replies are survived by the retries; the next good exchange works.
    auto flaky = connected(4);
    EXPECT_TRUE(flaky->ok()) << log.all().toStdString();
    EXPECT_EQ(flaky->brightness(), 50u);
}

// Nobody on the bus costs a few tries per operation, never an open-ended wait; a slow bus is only slow.
TEST_F(DDCCIDisplayTest, ASilentBusIsGivenUpAfterBoundedTriesAndASlowOneStillWorks)
{
    ASSERT_TRUE(installMonitors(
        {generic("DP-1", "SIM", "Sim", R"("faults": {"noAnswer": true})"),
         generic("DP-2", "SIM", "Sim", R"("lut": {"size": 16, "bits": 8}, "faults": {"slowBusMs": 15})")}));
    LogCapture log;
    auto silentDisplay = connected(0);
    EXPECT_FALSE(silentDisplay->ok());
    EXPECT_TRUE(log.all().contains("no acknowledge at address 37h")) << log.all().toStdString();
    const qsizetype connectTries = log.all().count("WriteI2CBuf failed");
    EXPECT_GT(connectTries, 0);
    EXPECT_LE(connectTries, 8) << "a multi-part exchange";
    const qsizetype mark = log.all().size();
    EXPECT_EQ(silentDisplay->brightness(), unsigned(-1));
    EXPECT_FALSE(silentDisplay->ok());
    EXPECT_LE(log.all().mid(mark).count("WriteI2CBuf failed"), 10) << "a write-read exchange";
    EXPECT_EQ(silentDisplay->GetCommunicationMode(), 1);

    auto slow = connected(1);
    ASSERT_TRUE(slow->ok()) << log.all().toStdString();
    slow->setContrast(33);
    EXPECT_EQ(slow->contrast(), 33);
    slow->attachInternalLUT();
    ASSERT_TRUE(slow->ok());
    const luts_t table = ramp(16, 255, 1);
    ASSERT_TRUE(slow->lut()->UploadLUT(table));
    luts_t back;
    ASSERT_TRUE(slow->lut()->DownloadLUT(back));
    EXPECT_EQ(back, table);
}

TEST_F(DDCCIDisplayTest, InternalLutUploadsInBlocksAndReadsBack)
{
    ASSERT_TRUE(installMonitors({generic("DP-1", "SIM", "Sim", R"("lut": {"size": 256, "bits": 10})")}));
    auto d = connected();
    ASSERT_TRUE(d->ok());
    EXPECT_EQ(d->GetCommunicationMode(), 3);
    d->attachInternalLUT();
    ASSERT_TRUE(d->ok());
    LUT* lut = d->lut();
    ASSERT_NE(lut, nullptr);
    EXPECT_EQ(lut->LUTSize(), 256);
    EXPECT_EQ(lut->LUTMaxValue(), 1023);
    EXPECT_EQ(lut->communicationInterface(), DISPIFACE_DDCCI);
    EXPECT_EQ(lut->LUTUploadProgressCount(), 96);

    int blocks = 0;
    int bytesWritten = 0;
    QObject::connect(lut, &LUT::signalLUTUploadProgress, [&] { ++blocks; });
    QObject::connect(d.get(), &DDCCIDisplay::signalTableWriteProgress, [&] { ++bytesWritten; });
    const luts_t table = ramp(256, 1023, 3);
    ASSERT_TRUE(lut->UploadLUT(table));
    EXPECT_EQ(blocks, 96);
    EXPECT_EQ(bytesWritten, 96 * 22);
    const QJsonObject state = monitorState("DP-1");
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(DdcFixture::lutChannel(state, c), table[c]) << "channel " << c;

    luts_t back;
    ASSERT_TRUE(lut->DownloadLUT(back));
    EXPECT_EQ(back, table);
    EXPECT_FALSE(lut->UploadLUT(luts_t(2, std::vector<int>(256)))) << "three channels or nothing";
}

TEST_F(DDCCIDisplayTest, FactoryDetectsTheGenericDisplayWithItsInternalLut)
{
    ASSERT_TRUE(installMonitors(
        {generic("DP-1", "SIM", "Sim", R"("lut": {"size": 16, "bits": 12})"), silent("DP-2")}));
    LogCapture log;
    std::unique_ptr<BaseDisplay> d(
        DisplayFactory::detect(CurrentDisplays::DisplayId(0), DISPIFACE_DDCCI, DISPIFACE_DDCCI, 0, false));
    ASSERT_NE(d, nullptr) << log.all().toStdString();
    EXPECT_STREQ(d->metaObject()->className(), "DDCCIDisplay");
    ASSERT_NE(d->attachedLUT(), nullptr);
    EXPECT_EQ(d->attachedLUT()->LUTMaxValue(), 4095);

    std::unique_ptr<BaseDisplay> plain(
        DisplayFactory::detect(CurrentDisplays::DisplayId(1), DISPIFACE_DDCCI, DISPIFACE_DDCCI, 0, false));
    EXPECT_TRUE(log.all().contains("DDC/CI not supported"));
}

TEST_F(DDCCIDisplayTest, DetectionLogsOneLinePerClassThatIsNotTheDisplayAndKeepsRealFailures)
{
    ASSERT_TRUE(installMonitors({generic("DP-1"),
                                 generic("DP-2", "DEL", "DELL U2713H",
                                         R"x("capabilities": "(prot(monitor)type(LCD)model(U2713H))")x"),
                                 generic("DP-3", "BEA", "Beacon 21")}));
    LogCapture log;
    std::unique_ptr<BaseDisplay> d(DisplayFactory::detect(CurrentDisplays::DisplayId(0), DISPIFACE_DDCCI,
                                                          DISPIFACE_VIDEOCARD, 0, false));
    ASSERT_NE(d, nullptr) << log.all().toStdString();
    const QString quiet = log.all();
    const qsizetype tried = quiet.count("--Detect Display. id=");
    EXPECT_GT(tried, 20);
    EXPECT_EQ(quiet.count("not this display"), tried - 1) << "every class before the generic one";
    EXPECT_FALSE(quiet.contains("connect() failed")) << quiet.toStdString();
    EXPECT_TRUE(quiet.contains("not a PVM-2551")) << "the reason is on the line";

    // A Dell that answers but whose capabilities say nothing: the UltraSharp class and the generic
    // one match it and fail for real, and say so; the plain display is what is left.
    const qsizetype mark = log.all().size();
    std::unique_ptr<BaseDisplay> dell(DisplayFactory::detect(CurrentDisplays::DisplayId(1), DISPIFACE_DDCCI,
                                                             DISPIFACE_VIDEOCARD, 0, false));
    ASSERT_NE(dell, nullptr);
    EXPECT_STREQ(dell->metaObject()->className(), "BaseDisplay");
    const QString loud = log.all().mid(mark);
    EXPECT_EQ(loud.count("connect() failed"), 2) << loud.toStdString();
    EXPECT_TRUE(loud.contains("Can't fetch code for DELL!"));
    EXPECT_TRUE(loud.contains("failed to parse capabilities string"));

    // A maker's class whose own protocol is not known here takes its display and speaks MCCS.
    const qsizetype beaconMark = log.all().size();
    std::unique_ptr<BaseDisplay> beacon(DisplayFactory::detect(CurrentDisplays::DisplayId(2), DISPIFACE_DDCCI,
                                                               DISPIFACE_VIDEOCARD, 0, false));
    ASSERT_NE(beacon, nullptr);
    EXPECT_STREQ(beacon->metaObject()->className(), "BeaconDisplay");
    EXPECT_EQ(log.all().mid(beaconMark).count("generic MCCS"), 1);
}
