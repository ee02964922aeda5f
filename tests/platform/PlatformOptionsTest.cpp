#include "platform/PlatformOptions.h"

#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimWorkstation.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class PlatformOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qunsetenv("LUTLOADER_PLATFORM");
        qunsetenv("LUTLOADER_WORKSTATION");
    }
    void TearDown() override
    {
        qunsetenv("LUTLOADER_PLATFORM");
        qunsetenv("LUTLOADER_WORKSTATION");
        Platform::reset();
    }
};

TEST_F(PlatformOptionsTest, OptionsAreTakenOutOfArgvBeforeSubcommands)
{
    std::vector<QByteArray> storage{"lutloaderctl", "--platform", "sim", "--workstation=/tmp/w.json",
                                    "lock",         "status",     "lut"};
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());

    const PlatformOptions options = PlatformOptions::fromArguments(argc, argv.data());

    EXPECT_EQ(options.platform, "sim");
    EXPECT_EQ(options.workstation, "/tmp/w.json");
    ASSERT_EQ(argc, 4);
    EXPECT_STREQ(argv[1], "lock");
    EXPECT_STREQ(argv[3], "lut");
    EXPECT_EQ(argv[4], nullptr);
}

TEST_F(PlatformOptionsTest, EnvironmentGivesDefaultsThatArgumentsOverride)
{
    qputenv("LUTLOADER_PLATFORM", "sim");
    QStringList args{"lutloader"};
    EXPECT_EQ(PlatformOptions::fromArguments(args).platform, "sim");

    args = {"lutloader", "--platform", "linux"};
    EXPECT_EQ(PlatformOptions::fromArguments(args).platform, "linux");
    EXPECT_EQ(args, QStringList{"lutloader"});

    // A workstation file alone implies the simulated platform.
    qunsetenv("LUTLOADER_PLATFORM");
    qputenv("LUTLOADER_WORKSTATION", "ws.json");
    args = {"lutloader"};
    EXPECT_EQ(PlatformOptions::fromArguments(args).platform, "sim");

    qunsetenv("LUTLOADER_WORKSTATION");
    args = {"lutloader"};
    EXPECT_EQ(PlatformOptions::fromArguments(args).platform, PlatformOptions::nativePlatform());
}

TEST_F(PlatformOptionsTest, MissingValueAndUnknownPlatformAreRefused)
{
    QStringList args{"lutloader", "--platform"};
    const PlatformOptions missing = PlatformOptions::fromArguments(args);
    EXPECT_FALSE(missing.error.isEmpty());
    QString error;
    EXPECT_FALSE(Platform::select(missing, &error));

    PlatformOptions unknown;
    unknown.platform = "amiga";
    EXPECT_FALSE(Platform::select(unknown, &error));
    EXPECT_TRUE(error.contains("amiga"));
    EXPECT_EQ(Platform::workstation(), nullptr);
}

TEST_F(PlatformOptionsTest, SimSelectsTheBuiltInWorkstationOrAGivenFile)
{
    PlatformOptions options;
    options.platform = "sim";
    ASSERT_TRUE(Platform::select(options));
    EXPECT_EQ(Platform::backend().name(), "sim");
    ASSERT_NE(Platform::workstation(), nullptr);
    EXPECT_FALSE(Platform::workstation()->displays().isEmpty());

    options.workstation = "/nonexistent/ws.json";
    QString error;
    EXPECT_FALSE(Platform::select(options, &error));
    EXPECT_TRUE(error.contains("/nonexistent/ws.json"));
}

} // namespace
