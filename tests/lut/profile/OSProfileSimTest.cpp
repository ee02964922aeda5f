#include "lut/KaldoDisplayProfile.h"
#include "platform/OSProfile.h"
#include "platform/Platform.h"
#include "tests/lut/profile/IccFileBytes.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Three outputs: DP-1 starts with a profile of its own, DP-2 is unplugged, HDMI-1 has none.
const char WORKSTATION[] = R"({
  "name": "Profile bench",
  "videoCards": [{"id": "card0", "name": "Sim card", "pciId": "1002:6613", "driver": "simgpu", "rampSize": 256}],
  "displays": [
    {"output": "DP-1", "card": "card0", "connected": true, "rect": [0, 0, 1920, 1200], "edid": "",
     "profile": "/usr/share/color/icc/factory-dp1.icc"},
    {"output": "DP-2", "card": "card0", "connected": false, "rect": [1920, 0, 1920, 1200], "edid": ""},
    {"output": "HDMI-1", "card": "card0", "connected": true, "rect": [3840, 0, 1920, 1080], "edid": ""}
  ]
})";

class SimProfileFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString folder = TestPaths::freshFolder("sim-workstation");
        const QString file = folder + "/workstation.json";
        QString error;
        ASSERT_TRUE(TestWorkstation::select(file, WORKSTATION, &error)) << qPrintable(error);
        QDir(OSProfile::profilepath()).removeRecursively();
    }
    void TearDown() override { Platform::reset(); }
};

KaldoDisplayProfile::LutValues table(int scale)
{
    KaldoDisplayProfile::LutValues lut(3);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            lut[c].push_back(i * scale - c);
    }
    lut[0][0] = lut[1][0] = lut[2][0] = 0;
    return lut;
}

} // namespace

TEST_F(SimProfileFixture, ProfileBecomesTheDisplaysProfileAndIsReadBack)
{
    const QString colorDir = OSProfile::profilepath();
    EXPECT_TRUE(colorDir.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR"))) << qPrintable(colorDir);
    EXPECT_EQ(OSProfile::currentDisplayProfile("DP-1"), "/usr/share/color/icc/factory-dp1.icc");
    EXPECT_EQ(OSProfile::currentDisplayProfile("HDMI-1"), "");

    KaldoDisplayProfile profile(1, "MD21 Diagnost", "71004521", "MD21 calibrated");
    EXPECT_EQ(profile.fileName(), QDir(colorDir).filePath("kaldo_MD21 Diagnost_71004521.icc"));
    profile.setDevice("DP-1", QString());
    ASSERT_TRUE(profile.InsertLUT(table(256)));
    {
        LogCapture log;
        ASSERT_TRUE(profile.ApplyProfile());
        EXPECT_TRUE(log.contains("Apply System Profile"));
        EXPECT_TRUE(log.contains("ApplyProfile fixed filepath"));
        EXPECT_TRUE(log.contains("ApplyProfile done successfully."));
        EXPECT_TRUE(log.contains("after ApplyProfile -> current="));
    }
    EXPECT_EQ(OSProfile::currentDisplayProfile("DP-1"), profile.fileName());
    EXPECT_EQ(profile.CurrentProfilePath(1), profile.fileName());
    EXPECT_EQ(profile.CurrentProfilePath(2), "");
    EXPECT_EQ(OSProfile::currentDisplayProfile("HDMI-1"), "") << "another display keeps its own slot";

    // What the system now holds for the display carries the table.
    KaldoDisplayProfile current(TestPaths::freshFolder("sim-other") + "/unused.icc", "DP-1", 1, {});
    ASSERT_TRUE(current.LoadCurrent());
    KaldoDisplayProfile::LutValues back;
    ASSERT_TRUE(current.ReadLUT(back));
    EXPECT_EQ(back, table(256));

    // A profile kept elsewhere is installed into the colour folder first.
    const QString outside = TestPaths::freshFolder("sim-outside") + "/hdmi.icc";
    KaldoDisplayProfile hdmi(outside, "HDMI-1", 3, "HDMI calibrated");
    ASSERT_TRUE(hdmi.InsertLUT(table(255)));
    LogCapture log;
    ASSERT_TRUE(hdmi.ApplyProfileByPath());
    EXPECT_TRUE(log.contains("ApplyProfile temp file:"));
    const QString installed = QDir(colorDir).filePath("hdmi.icc");
    EXPECT_EQ(OSProfile::currentDisplayProfile("HDMI-1"), installed);
    EXPECT_EQ(IccFileBytes::readFile(installed), IccFileBytes::readFile(outside));
    EXPECT_EQ(OSProfile::currentDisplayProfile("DP-1"), profile.fileName());
}

TEST_F(SimProfileFixture, ResetAndRefusedAssociationsLeaveTheSlotsConsistent)
{
    KaldoDisplayProfile profile(1, "MD21", "A1", {});
    profile.setDevice("DP-1", QString());
    ASSERT_TRUE(profile.InsertLUT(table(256)));
    ASSERT_TRUE(profile.ApplyProfile());

    ASSERT_TRUE(profile.ResetSystemProfile());
    EXPECT_EQ(OSProfile::currentDisplayProfile("DP-1"), "");
    {
        LogCapture log;
        KaldoDisplayProfile current(TestPaths::freshFolder("sim-reset") + "/x.icc", "DP-1", 1, {});
        EXPECT_FALSE(current.LoadCurrent());
        EXPECT_TRUE(log.contains("?? LoadCurrent res: false"));
        KaldoDisplayProfile::LutValues lut;
        EXPECT_FALSE(current.ReadLUT(lut));
    }

    for (const char* output : {"DP-2", "DP-9"}) {
        LogCapture log;
        KaldoDisplayProfile other(2, "MD21", output, {});
        other.setDevice(output, QString());
        ASSERT_TRUE(other.InsertLUT(table(256)));
        EXPECT_FALSE(other.ApplyProfile()) << output;
        EXPECT_TRUE(log.contains("?? Error code:")) << output;
        EXPECT_TRUE(log.contains("??Error:")) << output;
        EXPECT_FALSE(other.ResetSystemProfile()) << output;
    }
}
