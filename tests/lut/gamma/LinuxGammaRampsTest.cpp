// The XRandR gamma ramps under a private Xorg server with the dummy driver.
#include "lut/WindowsLUT.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "tests/lut/gamma/BareXRandr.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/DummyXServer.h"
#include "tests/support/TestPaths.h"

#include <QProcess>

#include <cmath>
#include <gtest/gtest.h>

namespace {

class LinuxGammaRampsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<DummyXServer>(3); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->isRunning())
            GTEST_SKIP() << "no private X server: " << qPrintable(s_server->error());
        m_previousDisplay = qgetenv("DISPLAY");
        qputenv("DISPLAY", s_server->display().toLatin1());
        PlatformOptions options;
        options.platform = PlatformOptions::nativePlatform();
        ASSERT_TRUE(Platform::select(options));
        // Every output starts linear.
        for (const QString& output : s_server->outputNames()) {
            WindowsLUT lut(0, output);
            ASSERT_TRUE(lut.Initialize(true)) << qPrintable(output);
        }
    }
    void TearDown() override
    {
        Platform::reset();
        qputenv("DISPLAY", m_previousDisplay);
    }

    static QString display() { return s_server->display(); }

    static std::unique_ptr<DummyXServer> s_server;
    QByteArray m_previousDisplay;
};

std::unique_ptr<DummyXServer> LinuxGammaRampsTest::s_server;

luts_t curveTable(double exponent)
{
    luts_t table(3, std::vector<int>(256));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            table[c][i] = static_cast<int>(std::lround(std::pow(i / 255.0, exponent) * (65280 - 97 * c)));
    }
    return table;
}

luts_t asTable(const GammaRamp& ramp)
{
    luts_t table;
    for (const auto& channel : ramp)
        table.emplace_back(channel.begin(), channel.end());
    return table;
}

} // namespace

TEST_F(LinuxGammaRampsTest, RampWrittenToOneOutputReadsBackExactlyAndLeavesTheOthersAlone)
{
    const std::optional<GammaRamp> dummy0 = BareXRandr::readRamp(display(), "DUMMY0");
    const std::optional<GammaRamp> dummy2 = BareXRandr::readRamp(display(), "DUMMY2");
    ASSERT_TRUE(dummy0 && dummy2);
    ASSERT_EQ(dummy0->front().size(), 256u);

    WindowsLUT lut(1, "DUMMY1");
    const luts_t table = curveTable(2.2);
    ASSERT_TRUE(lut.UploadLUT(table));

    const std::optional<GammaRamp> written = BareXRandr::readRamp(display(), "DUMMY1");
    ASSERT_TRUE(written);
    EXPECT_EQ(asTable(*written), table);
    EXPECT_EQ(BareXRandr::readRamp(display(), "DUMMY0"), dummy0);
    EXPECT_EQ(BareXRandr::readRamp(display(), "DUMMY2"), dummy2);
    luts_t readBack;
    ASSERT_TRUE(lut.DownloadLUT(readBack));
    EXPECT_EQ(readBack, table);
}

TEST_F(LinuxGammaRampsTest, SecondActivationFindsTheCardLoaded)
{
    WindowsLUT lut(1, "DUMMY2");
    lut.setWaitFunction([](int) {});
    const luts_t table = curveTable(1.8);
    ASSERT_TRUE(lut.Activate(table));
    LogCapture log;
    EXPECT_TRUE(lut.Activate(table));
    EXPECT_TRUE(log.contains("same GC LUT - skip activation")) << qPrintable(log.all());

    // Another client changes the ramp: the next activation notices and loads again.
    GammaRamp other = *BareXRandr::readRamp(display(), "DUMMY2");
    other[1][100] ^= 0x10;
    ASSERT_TRUE(BareXRandr::writeRamp(display(), "DUMMY2", other));
    EXPECT_TRUE(lut.Activate(table));
    EXPECT_EQ(asTable(*BareXRandr::readRamp(display(), "DUMMY2")), table);
}

TEST_F(LinuxGammaRampsTest, OnlyDrivenOutputsHaveARamp)
{
    const GammaRamps& ramps = Platform::backend().gammaRamps();
    EXPECT_EQ(ramps.outputs(), s_server->outputNames());
    QString error;
    EXPECT_FALSE(ramps.open("DUMMY7", &error)); // exists, but no CRTC drives it
    EXPECT_TRUE(error.contains("not driven")) << qPrintable(error);

    WindowsLUT lut(7, "DUMMY7");
    LogCapture log;
    EXPECT_FALSE(lut.UploadLUT(curveTable(2.2)));
    EXPECT_TRUE(log.contains("CreateDCA failed"));
}

TEST_F(LinuxGammaRampsTest, NoXDisplayMeansNoRampsAndNoCrash)
{
    qputenv("DISPLAY", ":999");
    QString error;
    EXPECT_FALSE(Platform::backend().gammaRamps().open("DUMMY0", &error));
    EXPECT_TRUE(error.contains("cannot open X display")) << qPrintable(error);
    EXPECT_TRUE(Platform::backend().gammaRamps().outputs().isEmpty());
}

TEST_F(LinuxGammaRampsTest, CommandLineToolLoadsAndPrintsTheCardsRamp)
{
    QByteArray text;
    GammaRamp expected;
    for (int c = 0; c < 3; ++c) {
        QByteArrayList values;
        for (int i = 0; i < 256; ++i) {
            expected[c].push_back(static_cast<std::uint16_t>(i * 255 + c));
            values << QByteArray::number(i * 255 + c);
        }
        text += values.join(' ') + '\n';
    }
    const auto run = [](const QStringList& args, const QByteArray& input) {
        QProcess ctl;
        ctl.start(TestPaths::ctlProgram(), QStringList{"--platform", "linux"} + args);
        ctl.write(input);
        ctl.closeWriteChannel();
        if (!ctl.waitForFinished(30000))
            ctl.kill();
        return std::make_pair(ctl.exitCode(), ctl.readAllStandardOutput());
    };
    ASSERT_EQ(run({"gamma", "set", "DUMMY0", "-"}, text).first, 0);
    EXPECT_EQ(BareXRandr::readRamp(display(), "DUMMY0"), expected);
    const auto [code, printed] = run({"gamma", "get", "DUMMY0"}, {});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(printed, text);
}
