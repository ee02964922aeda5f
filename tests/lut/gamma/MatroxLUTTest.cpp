#include "lut/MatroxLUT.h"

#include "lut/MatroxXeniaLUT.h"
#include "platform/MatroxBoards.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimMatroxBoards.h"
#include "tests/lut/gamma/SimGammaFixture.h"
#include "tests/lut/profile/LogCapture.h"

namespace {

const SimMatroxBoards& boards()
{
    return dynamic_cast<const SimMatroxBoards&>(Platform::backend().matroxBoards());
}

luts_t rampTable(int size, int top = 65535)
{
    luts_t table(3, std::vector<int>(size));
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < size; ++i)
            table[c][i] = static_cast<int>(static_cast<qint64>(i) * (top - c) / (size - 1));
    }
    return table;
}

SimMatroxBoards::Table asWords(const luts_t& table)
{
    SimMatroxBoards::Table words;
    for (const auto& channel : table)
        words.emplace_back(channel.begin(), channel.end());
    return words;
}

} // namespace

using MatroxLUTTest = SimGammaFixture;

TEST_F(MatroxLUTTest, BoardPortTakesTablesOfItsDepth)
{
    MatroxLUT tenBit(8, "DP-8");
    ASSERT_TRUE(tenBit.ok());
    EXPECT_EQ(tenBit.boardPort(), 1);
    EXPECT_EQ(tenBit.LUTSize(), 1024);
    EXPECT_EQ(tenBit.LUTMaxValue(), 65535);
    EXPECT_TRUE(tenBit.isSystemLut());
    const luts_t table = rampTable(1024);
    ASSERT_TRUE(tenBit.Activate(table));
    EXPECT_EQ(boards().outputTable("DP-8"), asWords(table));
    {
        LogCapture log;
        EXPECT_FALSE(tenBit.UploadLUT(rampTable(256)));
        EXPECT_TRUE(log.contains("Wrong LUT size!"));
    }
    EXPECT_EQ(boards().outputTable("DP-8"), asWords(table));

    MatroxLUT eightBit(9, "DP-9");
    ASSERT_TRUE(eightBit.ok());
    EXPECT_EQ(eightBit.LUTSize(), 256);
    LogCapture log;
    EXPECT_FALSE(eightBit.UploadLUT(rampTable(256)));
    EXPECT_TRUE(log.contains("realUploadLUT8Bit ExtEscape failed"));
    EXPECT_FALSE(eightBit.ok());
}

TEST_F(MatroxLUTTest, DisplaysOffMatroxPortsAreNotTaken)
{
    {
        LogCapture log;
        MatroxLUT foreign(1, "DP-1"); // any other driver refuses the port query
        EXPECT_FALSE(foreign.ok());
        EXPECT_TRUE(log.contains("getMatroxPort failed ExtEscape 1 ")) << qPrintable(log.all());
        EXPECT_TRUE(log.contains("MatroxLUT 5"));
        EXPECT_FALSE(foreign.UploadLUT(rampTable(256)));
    }
    {
        LogCapture log;
        MatroxLUT halfAnswer(10, "DP-10");
        EXPECT_FALSE(halfAnswer.ok());
        EXPECT_TRUE(log.contains("getMatroxPort failed ExtEscape 2 "));
    }
    LogCapture log;
    MatroxLUT unplugged(3, "DP-3");
    EXPECT_FALSE(unplugged.ok());
    EXPECT_TRUE(log.contains("MatroxLUT 1"));
}

TEST_F(MatroxLUTTest, XeniaBoardLoadsAndEnablesItsRamp)
{
    MatroxXeniaLUT lut(11, 1);
    ASSERT_TRUE(lut.ok());
    ASSERT_TRUE(lut.IsXenia());
    EXPECT_EQ(lut.LUTSize(), 1024);
    const luts_t table = rampTable(1024, 60000);
    ASSERT_TRUE(lut.UploadLUT(table));
    EXPECT_EQ(boards().xeniaRamp(1), asWords(table));
    EXPECT_TRUE(boards().xeniaRampEnabled(1));

    MatroxXeniaLUT stubborn(12, 2);
    ASSERT_TRUE(stubborn.ok());
    LogCapture log;
    EXPECT_FALSE(stubborn.UploadLUT(rampTable(256)));
    EXPECT_TRUE(log.contains("realXeniaUploadLUT GamEnable_ failed"));
    EXPECT_FALSE(stubborn.UploadLUT(rampTable(255)));
    EXPECT_TRUE(log.contains("Wrong LUT size!"));

    EXPECT_FALSE(MatroxXeniaLUT(13, 3).ok()); // a board, but not a Xenia
    EXPECT_FALSE(MatroxXeniaLUT(14, 9).ok()); // no such board display
}

TEST_F(MatroxLUTTest, XeniaUniformityDimsEveryAreaToTheDimmestOne)
{
    MatroxXeniaLUT lut(11, 1);
    ASSERT_TRUE(lut.IsAutoUniformityAvailable());
    ASSERT_EQ(lut.UniformityGridSizeX(), 3);
    ASSERT_EQ(lut.UniformityGridSizeY(), 2);

    lut.ActivateUniformity({1, 2, 3}); // not in groups of four
    EXPECT_FALSE(lut.ok());
    EXPECT_TRUE(boards().xeniaUniformity(1).empty());

    lut.AutoUniformityCleanMeasurements();
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 2; ++y)
            lut.AutoUniformityAddMeasurement(x, y, 255, 200.0 + 10 * x + 5 * y);
    }
    lut.AutoUniformityAddMeasurement(3, 0, 255, 100.0); // outside the grid
    EXPECT_FALSE(lut.ok());
    lut.AutoUniformityApply();
    ASSERT_TRUE(lut.ok());
    EXPECT_TRUE(boards().xeniaUniformityEnabled(1));
    std::vector<double> values;
    lut.GetCurrentUniformity(values);
    ASSERT_EQ(values.size(), 6u * 4);
    for (size_t i = 0; i < values.size(); i += 4) {
        const double luminance = 200.0 + 10 * values[i] + 5 * values[i + 1];
        EXPECT_DOUBLE_EQ(values[i + 2], 255);
        EXPECT_NEAR(values[i + 3] * luminance, 200.0, 1e-9); // every area ends at the dimmest one's 200 cd/m2
    }

    lut.DeactivateUniformity();
    EXPECT_TRUE(lut.ok());
    EXPECT_FALSE(boards().xeniaUniformityEnabled(1));
}

TEST(MatroxWithoutDriverTest, NoControlLibraryMeansNoMatroxLUT)
{
    PlatformOptions options;
    options.platform = PlatformOptions::nativePlatform();
    ASSERT_TRUE(Platform::select(options));
    LogCapture log;
    MatroxLUT lut(1, "DP-1");
    EXPECT_FALSE(lut.ok());
    EXPECT_TRUE(log.contains("MatroxLUT 1"));
    EXPECT_TRUE(log.contains("not available")) << qPrintable(log.all());
    EXPECT_FALSE(lut.UploadLUT(rampTable(256)));
    MatroxXeniaLUT xenia(1, 1);
    EXPECT_FALSE(xenia.ok());
    EXPECT_FALSE(xenia.IsXenia());
    Platform::reset();
}
