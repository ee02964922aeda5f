#include "displays/CurrentDisplays.h"
#include "displays/DDCCIAutoDelay.h"
#include "displays/DDCCIControl.h"
#include "displays/DDCCIFactory.h"
#include "displays/I2CDDCCIControl.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/lut/profile/LogCapture.h"

#include <QCoreApplication>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<int> bytes(const unsigned char* data, int n)
{
    return std::vector<int>(data, data + n);
}

// A reply as a display sends it: source 6Eh, length, payload, checksum over the virtual host 50h.
std::vector<unsigned char> reply(const std::vector<unsigned char>& payload)
{
    std::vector<unsigned char> out{0x6E, static_cast<unsigned char>(0x80 | payload.size())};
    out.insert(out.end(), payload.begin(), payload.end());
    unsigned char sum = 0x50;
    for (const unsigned char b : out)
        sum ^= b;
    out.push_back(sum);
    return out;
}

const std::vector<unsigned char> BrightnessReply{0x02, 0x00, 0x10, 0x00, 0x00, 0x64, 0x00, 0x32};

} // namespace

class DDCTransportTest : public DdcFixture
{
};

TEST_F(DDCTransportTest, StandardFramingAndReplyChecks)
{
    ASSERT_TRUE(installMonitors({DdcFixture::generic("DP-1")}));
    I2CDDCCIControl t(CurrentDisplays::DisplayId(0));
    unsigned char out[16];
    unsigned char payload[] = {0x01, 0x10};
    ASSERT_EQ(t.makeI2CPackage(out, payload, 2, DDCCIControl::DDCCI_ADDRESS), 5);
    EXPECT_EQ(bytes(out, 5), (std::vector<int>{0x51, 0x82, 0x01, 0x10, 0xAC}));
    EXPECT_EQ(t.readPkgSize(8), 11u);

    std::vector<unsigned char> good = reply(BrightnessReply);
    ASSERT_EQ(t.handleReadPackage(good.data(), static_cast<unsigned>(good.size())), 8);
    EXPECT_EQ(bytes(good.data(), 8), std::vector<int>(BrightnessReply.begin(), BrightnessReply.end()));

    // Second byte duplicated, and a stray byte in front: both repaired.
    std::vector<unsigned char> dup = reply(BrightnessReply);
    dup.insert(dup.begin() + 2, dup[1]);
    EXPECT_EQ(t.handleReadPackage(dup.data(), static_cast<unsigned>(dup.size())), 8);
    EXPECT_EQ(dup[0], 0x02);
    std::vector<unsigned char> stray = reply(BrightnessReply);
    stray.insert(stray.begin(), 0x00);
    EXPECT_EQ(t.handleReadPackage(stray.data(), static_cast<unsigned>(stray.size())), 8);

    std::vector<unsigned char> bad = reply(BrightnessReply);
    bad.back() ^= 0x01;
    std::vector<unsigned char> copy = bad;
    EXPECT_EQ(t.handleReadPackage(copy.data(), static_cast<unsigned>(copy.size())), -1);
    EXPECT_EQ(t.lastError(), DDCCIControl::ErrorChecksum);
    t.skipChecksumVerificationOnce();
    copy = bad;
    EXPECT_EQ(t.handleReadPackage(copy.data(), static_cast<unsigned>(copy.size())), 8);
    copy = bad;
    EXPECT_EQ(t.handleReadPackage(copy.data(), static_cast<unsigned>(copy.size())), -1)
        << "skip is once only";

    unsigned char wrongSource[] = {0x22, 0x80, 0x00};
    EXPECT_EQ(t.checkAndFixReadPackage(wrongSource, 3), -1);
    EXPECT_EQ(t.lastError(), DDCCIControl::ErrorFirstByte);
    // A length byte pointing past the buffer must not read past it.
    unsigned char truncated[] = {0x6E, 0xFF, 0x01};
    EXPECT_EQ(t.handleReadPackage(truncated, 3), -1);
}

TEST_F(DDCTransportTest, WideDisplaysUseTheLengthPrefixedFraming)
{
    ASSERT_TRUE(installMonitors({DdcFixture::generic("DP-1", "WKC", "MS25i2")}));
    I2CDDCCIControl t(CurrentDisplays::DisplayId(0));
    ASSERT_EQ(t.protocolKind(), DDCCIControl::ProtocolWideDDCCI);
    unsigned char out[16];
    unsigned char payload[] = {0x31, 0x01, 0x02};
    ASSERT_EQ(t.makeI2CPackage(out, payload, 3, DDCCIControl::DDCCI_ADDRESS), 5);
    EXPECT_EQ(bytes(out, 5), (std::vector<int>{0x04, 0x31, 0x01, 0x02, 0x34}));
    unsigned char ok[] = {0x03, 0x4D, 0x33, 0x80};
    EXPECT_EQ(t.handleReadPackage(ok, 4), 2);
    EXPECT_EQ(bytes(ok, 2), (std::vector<int>{0x4D, 0x33}));
    unsigned char wrongSum[] = {0x03, 0x4D, 0x33, 0x81};
    EXPECT_EQ(t.handleReadPackage(wrongSum, 4), -1);
    unsigned char small[] = {0x01, 0x00};
    EXPECT_EQ(t.handleReadPackage(small, 2), -1);
    unsigned char cut[] = {0x09, 0x00};
    EXPECT_EQ(t.handleReadPackage(cut, 2), -1);
}

TEST_F(DDCTransportTest, AutomaticChoiceFallsBackToTheOutputBus)
{
    ASSERT_TRUE(installMonitors({DdcFixture::generic("DP-1"), DdcFixture::silent("DP-2")}));
    const int answering = CurrentDisplays::DisplayId(0);
    const int silent = CurrentDisplays::DisplayId(1);
    EXPECT_EQ(DDCCIFactory::candidates(DDCCIFactory::DeviceVideocard).size(), 15u);
    const auto first = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, silent);
    ASSERT_NE(dynamic_cast<I2CDDCCIControl*>(first.get()), nullptr);
    EXPECT_TRUE(DDCCIFactory::isPooled(silent));
    EXPECT_FALSE(first->test());
    EXPECT_EQ(first->lastError(), DDCCIControl::ErrorBusCall);
    EXPECT_EQ(DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, silent), first);

    const auto other = DDCCIFactory::getVideocardDDCCI(DDCCIFactory::DeviceVideocard, answering);
    EXPECT_TRUE(other->test());
    DDCCIFactory::releaseDDCCIIfUnused(answering);
    EXPECT_TRUE(DDCCIFactory::isPooled(answering)) << "still held here";
}

TEST_F(DDCTransportTest, AMissingBusIsReportedOncePerDisplayAndEveryCallFails)
{
    ASSERT_TRUE(installMonitors({DdcFixture::generic("DP-1")}));
    const int id = CurrentDisplays::DisplayId(0);
    ASSERT_TRUE(Platform::workstation()->apply({{"cmd", "unplug"}, {"output", "DP-1"}}).value("ok").toBool());
    LogCapture log;
    I2CDDCCIControl t(id);
    unsigned char request[] = {0x01, 0x10};
    unsigned char buf[DDCCIControl::MaxPackageSize];
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.write(request, 2, 5), -1);
        EXPECT_EQ(t.read(buf, 8), -1);
        EXPECT_EQ(t.lastError(), DDCCIControl::ErrorBusCall);
    }
    EXPECT_FALSE(t.test());
    EXPECT_EQ(log.all().count("no DDC bus for display"), 1) << log.all().toStdString();
}

TEST_F(DDCTransportTest, RepliesAreNotReadyBeforeTheDelayAndTheNextExchangeWaitsForIt)
{
    ASSERT_TRUE(installMonitors({DdcFixture::generic("DP-1", "SIM", "Sim", R"("replyDelayMs": 60)")}));
    I2CDDCCIControl t(CurrentDisplays::DisplayId(0));
    unsigned char request[] = {0x01, 0x10};
    unsigned char buf[DDCCIControl::MaxPackageSize];
    // Asked with too short a delay the monitor has nothing yet; the kept reply comes later.
    ASSERT_EQ(t.write(request, 2, 5), 0);
    EXPECT_EQ(t.read(buf, 8), -1);
    DDCCIAutoDelay::waitServingEvents(70);
    EXPECT_EQ(t.read(buf, 8), 8);
    ASSERT_EQ(t.write(request, 2, 60), 0);
    EXPECT_EQ(t.read(buf, 8), 8);
    EXPECT_EQ(buf[7], 50);
}

TEST_F(DDCTransportTest, ReservationByNameIsExclusive)
{
    ASSERT_TRUE(installMonitors({DdcFixture::generic("DP-1")}));
    I2CDDCCIControl a(CurrentDisplays::DisplayId(0));
    I2CDDCCIControl b(CurrentDisplays::DisplayId(0));
    const QString name = QStringLiteral("ddc-test-%1").arg(QCoreApplication::applicationPid());
    EXPECT_FALSE(a.isDDCCIReserved(name));
    ASSERT_TRUE(a.reserveDDCCI(name));
    EXPECT_TRUE(b.isDDCCIReserved(name));
    EXPECT_FALSE(b.reserveDDCCI(name));
    a.releaseReservedDDCCI(name);
    EXPECT_FALSE(b.isDDCCIReserved(name));
}
