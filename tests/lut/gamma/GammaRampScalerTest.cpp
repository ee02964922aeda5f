#include "lut/GammaRampScaler.h"

#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimGammaRamps.h"
#include "platform/sim/SimWorkstation.h"
#include "tests/lut/gamma/SimGammaFixture.h"

#include <QDir>
#include <QFile>

#include <cmath>

namespace {

std::vector<int> curve(int size, double exponent)
{
    std::vector<int> values(size);
    for (int i = 0; i < size; ++i)
        values[i] = static_cast<int>(std::lround(std::pow(i / double(size - 1), exponent) * 65280));
    return values;
}

} // namespace

TEST(GammaRampScalerTest, TablesComeBackUnchangedFromRampsOfTheirSizeOrLarger)
{
    const std::vector<int> table = curve(256, 2.2);
    for (const int rampSize : {256, 257, 1024, 4096}) {
        const std::vector<std::uint16_t> ramp = GammaRampScaler::toRamp(table, rampSize);
        ASSERT_EQ(static_cast<int>(ramp.size()), rampSize);
        EXPECT_EQ(ramp.front(), table.front());
        EXPECT_EQ(ramp.back(), table.back());
        EXPECT_TRUE(std::is_sorted(ramp.begin(), ramp.end())) << rampSize;
        EXPECT_EQ(GammaRampScaler::fromRamp(ramp, 256), table) << rampSize;
    }
}

TEST(GammaRampScalerTest, SmallerRampsAreSampledAndReadBackClose)
{
    const std::vector<int> table = curve(256, 1.0);
    const std::vector<std::uint16_t> ramp = GammaRampScaler::toRamp(table, 16);
    ASSERT_EQ(ramp.size(), 16u);
    for (int j = 0; j < 16; ++j)
        EXPECT_EQ(ramp[j], table[j * 17]) << j; // 255 / 15 = 17
    const std::vector<int> back = GammaRampScaler::fromRamp(ramp, 256);
    ASSERT_EQ(back.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_NEAR(back[i], table[i], 1) << i; // a straight line survives sampling
}

TEST(GammaRampScalerTest, EntriesGoInAsTheirLow16BitsAndOddSizesDoNotBreak)
{
    EXPECT_EQ(GammaRampScaler::toRamp({65536 + 5, 70000}, 2), std::vector<std::uint16_t>({5, 70000 - 65536}));
    EXPECT_TRUE(GammaRampScaler::toRamp({}, 256).empty());
    EXPECT_TRUE(GammaRampScaler::toRamp({1, 2}, 0).empty());
    EXPECT_EQ(GammaRampScaler::toRamp({9}, 3), std::vector<std::uint16_t>({9, 9, 9}));
    EXPECT_EQ(GammaRampScaler::fromRamp({4, 8}, 1), std::vector<int>({4}));
    EXPECT_TRUE(GammaRampScaler::fromRamp({}, 256).empty());
}

using SimGammaRampsTest = SimGammaFixture;

TEST_F(SimGammaRampsTest, CardsStartLinearAtTheirSizeAndKeepWritesAcrossProcesses)
{
    const GammaRamp fresh = *cardRamp("HDMI-1");
    ASSERT_EQ(fresh[0].size(), 1024u);
    EXPECT_EQ(fresh[2].front(), 0);
    EXPECT_EQ(fresh[2].back(), 65535);
    EXPECT_EQ(cardRamp("DP-1")->at(1)[128], 32896); // 128 * 65535 / 255, rounded

    GammaRamp ramp = fresh;
    ramp[1][10] = 12345;
    auto device = Platform::backend().gammaRamps().open("HDMI-1");
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->write(ramp));
    ramp[0].pop_back();
    EXPECT_FALSE(device->write(ramp));
    EXPECT_FALSE(device->lastError().isEmpty());
    device.reset();

    // A second workstation of the same session (lutloaderctl beside the agent) sees the write.
    SimWorkstation workstation;
    ASSERT_TRUE(workstation.loadJson(R"({"videoCards": [{"id": "c", "rampSize": 1024}],
                                         "displays": [{"output": "HDMI-1", "card": "c"}]})",
                                     QString()));
    SimGammaRamps other(workstation, simRamps().stateDirectory());
    GammaRamp seen;
    ASSERT_TRUE(other.open("HDMI-1")->read(seen));
    EXPECT_EQ(seen[1][10], 12345);

    // A damaged state file is ignored, not trusted.
    const QStringList files = QDir(simRamps().stateDirectory()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    QFile state(QDir(simRamps().stateDirectory()).filePath(files.front()));
    ASSERT_TRUE(state.open(QIODevice::WriteOnly));
    state.write("{\"red\": [1, 2");
    state.close();
    SimGammaRamps third(workstation, simRamps().stateDirectory());
    ASSERT_TRUE(third.open("HDMI-1")->read(seen));
    EXPECT_EQ(seen, fresh);
}

TEST_F(SimGammaRampsTest, OnlyConnectedOutputsWithAUsableRampCanBeOpened)
{
    const QStringList outputs = simRamps().outputs();
    EXPECT_TRUE(outputs.contains("DP-1"));
    EXPECT_TRUE(outputs.contains("VGA-1"));
    EXPECT_FALSE(outputs.contains("DP-3")); // unplugged
    EXPECT_FALSE(outputs.contains("DP-6")); // refused by the driver
    QString error;
    EXPECT_FALSE(simRamps().open("DP-3", &error));
    EXPECT_TRUE(error.contains("not connected")) << qPrintable(error);
    EXPECT_FALSE(simRamps().open("XYZ", &error));
    EXPECT_TRUE(error.contains("no output")) << qPrintable(error);
}
