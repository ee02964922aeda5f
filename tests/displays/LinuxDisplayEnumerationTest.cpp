#include "platform/linux/LinuxDisplayEnumeration.h"

#include "displays/CurrentDisplays.h"
#include "displays/DisplayEnumerator.h"
#include "platform/Platform.h"
#include "tests/support/DummyXServer.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

QByteArray fixture(const QString& name)
{
    QFile file(QStringLiteral(EDID_FIXTURE_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Sets $DISPLAY for one test and puts the previous value back.
class DisplayVariable
{
public:
    explicit DisplayVariable(const QString& value) : m_saved(qgetenv("DISPLAY"))
    {
        if (value.isEmpty())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", value.toLatin1());
    }
    ~DisplayVariable() { qputenv("DISPLAY", m_saved); }

private:
    QByteArray m_saved;
};

void selectLinux()
{
    PlatformOptions options;
    options.platform = "linux";
    ASSERT_TRUE(Platform::select(options));
    CurrentDisplays::Clear();
}

} // namespace

// A machine without X (a service session, a console): the DRM connectors alone, with their
// EDIDs and cards, and no desktop rectangles.
TEST(LinuxDisplayEnumerationTest, WithoutXTheConnectedDrmConnectorsAreListed)
{
    const DisplayVariable noDisplay{QString()};
    const QString drm = TestPaths::freshFolder("drm");
    writeFile(drm + "/card0/device/uevent",
              "DRIVER=amdgpu\nPCI_CLASS=30000\nPCI_ID=1002:6613\nPCI_SLOT_NAME=0000:01:00.0\n");
    writeFile(drm + "/card0-DP-1/status", "connected\n");
    writeFile(drm + "/card0-DP-1/enabled", "enabled\n");
    writeFile(drm + "/card0-DP-1/edid", fixture("DELL-U2713H.bin"));
    writeFile(drm + "/card0-HDMI-A-1/status", "disconnected\n");
    writeFile(drm + "/card0-HDMI-A-1/edid", "");
    writeFile(drm + "/card0-DVI-D-1/status", "connected\n");
    writeFile(drm + "/card0-DVI-D-1/edid", ""); // a KVM switch that swallows the EDID
    writeFile(drm + "/card1/device/uevent", "DRIVER=simpledrm\n");
    writeFile(drm + "/card1-Unknown-1/status", "connected\n");
    writeFile(drm + "/card1-Unknown-1/enabled", "disabled\n");
    writeFile(drm + "/version", "drm 1.1.0 20060810\n");

    const LinuxDisplayEnumeration drmOnly(drm);
    DisplayEnumerator displays(&drmOnly);
    displays.EnumerateDisplays();
    ASSERT_EQ(displays.Count(), 2u);
    const DisplayInfo dell = displays.GetDisplay(0);
    EXPECT_EQ(dell.deviceName(), "DP-1");
    EXPECT_EQ(dell.deviceString(), "card0-DP-1");
    EXPECT_EQ(dell.serial(), "C6F0K34T1CWL");
    EXPECT_EQ(dell.manufacture(), "Dell");
    EXPECT_EQ(dell.widthMm(), 597);
    EXPECT_FALSE(dell.hasRect());
    EXPECT_EQ(dell.width(), -1);
    EXPECT_EQ(displays.videoCard(0).name, "1002:6613 amdgpu");
    EXPECT_EQ(displays.videoCard(0).key, "0000:01:00.0");
    EXPECT_EQ(displays.GetVideocardNameByKey("0000:01:00.0"), "1002:6613 amdgpu");
    const DisplayInfo kvm = displays.GetDisplay(1);
    EXPECT_EQ(kvm.deviceName(), "DVI-D-1");
    EXPECT_EQ(kvm.serial(), "DVI-D-1");

    // No DRM at all either: nothing, quietly.
    EXPECT_TRUE(LinuxDisplayEnumeration(drm + "/absent").activeOutputs().isEmpty());
}

// Three outputs of a real X server, each with another maker's EDID in its RandR property.
TEST(LinuxDisplayEnumerationTest, DummyXServerOutputsEnumerateWithIdentitiesAndRectangles)
{
    DummyXServer x(3);
    if (!x.isRunning())
        GTEST_SKIP() << x.error().toStdString();
    ASSERT_TRUE(x.setEdid("DUMMY0", fixture("DELL-U2713H.bin")));
    ASSERT_TRUE(x.setEdid("DUMMY1", fixture("LG-L225W-External.bin")));
    ASSERT_TRUE(x.setEdid("DUMMY2", fixture("Lenovo-T61-Internal.bin")));
    ASSERT_TRUE(x.setOutput("DUMMY2", QRect(0, 768, 1280, 1024)));
    const DisplayVariable display(x.display());
    selectLinux();

    CurrentDisplays::Refresh();
    ASSERT_EQ(CurrentDisplays::DisplayCount(), 3u);
    const DisplayInfo& dell = CurrentDisplays::Display(0);
    EXPECT_EQ(dell.deviceName(), "DUMMY0");
    EXPECT_EQ(dell.name(), "DELL U2713H");
    EXPECT_EQ(dell.serial(), "C6F0K34T1CWL");
    EXPECT_EQ(dell.edidLength(), 256);
    EXPECT_EQ(dell.rect(), QRect(0, 0, 1024, 768));
    const DisplayInfo& lg = CurrentDisplays::Display(1);
    EXPECT_EQ(lg.name(), "L225W");
    EXPECT_EQ(lg.detectSerial(), "0000865e");
    EXPECT_EQ(lg.serial(), "DISPLAY1"); // an LG display that answers on no COM port
    EXPECT_EQ(lg.rect(), QRect(1024, 0, 1024, 768));
    const DisplayInfo& ibm = CurrentDisplays::Display(2);
    EXPECT_EQ(ibm.manufacture(), "IBM");
    EXPECT_EQ(ibm.serial(), "LTN154P2-L05");
    EXPECT_EQ(ibm.rect(), QRect(0, 768, 1280, 1024));
    EXPECT_EQ(ibm.width(), 1280);
    EXPECT_GT(dell.crtc(), 0);
    EXPECT_NE(dell.crtc(), lg.crtc());
    EXPECT_NE(lg.crtc(), ibm.crtc());
    EXPECT_EQ(CurrentDisplays::GetVideoCardKey(0), "x11:" + x.display());
    EXPECT_EQ(CurrentDisplays::displayIdByCoordinates(100, 900), 2);

    // An output moved: only the geometry is read again. One turned off: a change.
    ASSERT_TRUE(x.setOutput("DUMMY2", QRect(2048, 0, 1280, 1024)));
    CurrentDisplays::RefreshDisplaysGeometry();
    EXPECT_EQ(CurrentDisplays::Display(2).rect(), QRect(2048, 0, 1280, 1024));
    EXPECT_FALSE(CurrentDisplays::IsDisplaysChanged());
    ASSERT_TRUE(x.setOutput("DUMMY1", QRect()));
    EXPECT_TRUE(CurrentDisplays::IsDisplaysChanged());
    EXPECT_EQ(CurrentDisplays::DisplayCount(), 2u);
    EXPECT_FALSE(CurrentDisplays::IsDisplayConnected(1));
    Platform::reset();
}

// The X server went away, or $DISPLAY names none: the DRM listing, and a log line, not a hang.
TEST(LinuxDisplayEnumerationTest, UnreachableXDisplayFallsBackToDrm)
{
    const DisplayVariable display(":4711");
    const QString drm = TestPaths::freshFolder("drm-fallback");
    writeFile(drm + "/card0-eDP-1/status", "connected\n");
    writeFile(drm + "/card0-eDP-1/edid", fixture("Lenovo-T61-Internal.bin"));
    const QList<DisplayOutput> outputs = LinuxDisplayEnumeration(drm).activeOutputs();
    ASSERT_EQ(outputs.size(), 1);
    EXPECT_EQ(outputs.at(0).deviceName, "eDP-1");
    EXPECT_EQ(outputs.at(0).videoCardKey, "card0");
}

// Under X the DRM connector behind an output is found by its EDID, or by its name when the X
// driver publishes no EDID; the connector then supplies the EDID and the card. The command-line
// tool sees the same outputs.
TEST(LinuxDisplayEnumerationTest, XOutputsArePairedWithTheirDrmConnectors)
{
    DummyXServer x(3);
    if (!x.isRunning())
        GTEST_SKIP() << x.error().toStdString();
    const QString drm = TestPaths::freshFolder("drm-x");
    writeFile(drm + "/card0/device/uevent", "DRIVER=i915\nPCI_ID=8086:3E92\nPCI_SLOT_NAME=0000:00:02.0\n");
    writeFile(drm + "/card0-DP-1/status", "connected\n");
    writeFile(drm + "/card0-DP-1/edid", fixture("DELL-U2713H.bin"));
    writeFile(drm + "/card0-DUMMY1/status", "connected\n");
    writeFile(drm + "/card0-DUMMY1/edid", fixture("LG-L225W-External.bin"));
    ASSERT_TRUE(x.setEdid("DUMMY0", fixture("DELL-U2713H.bin")));
    const DisplayVariable display(x.display());

    const QList<DisplayOutput> outputs = LinuxDisplayEnumeration(drm).activeOutputs();
    ASSERT_EQ(outputs.size(), 3);
    EXPECT_EQ(outputs.at(0).deviceName, "DUMMY0");
    EXPECT_EQ(outputs.at(0).deviceString, "card0-DP-1");
    EXPECT_EQ(outputs.at(0).videoCardName, "8086:3e92 i915");
    EXPECT_EQ(outputs.at(0).videoCardKey, "0000:00:02.0");
    EXPECT_EQ(outputs.at(1).deviceString, "card0-DUMMY1");
    EXPECT_EQ(outputs.at(1).edid, fixture("LG-L225W-External.bin"));
    EXPECT_TRUE(outputs.at(2).edid.isEmpty());
    EXPECT_EQ(outputs.at(2).videoCardKey, "x11:" + x.display());

    // One unnamed output and one connected connector left (a disconnected one does not count):
    // they belong together. Two candidates would be a guess, so nothing is paired.
    writeFile(drm + "/card0-eDP-1/status", "connected\n");
    writeFile(drm + "/card0-eDP-1/edid", fixture("Lenovo-T61-Internal.bin"));
    writeFile(drm + "/card0-HDMI-A-1/status", "disconnected\n");
    const QList<DisplayOutput> single = LinuxDisplayEnumeration(drm).activeOutputs();
    EXPECT_EQ(single.at(2).edid, fixture("Lenovo-T61-Internal.bin"));
    EXPECT_EQ(single.at(2).deviceString, "card0-eDP-1");
    writeFile(drm + "/card0-HDMI-A-1/status", "connected\n");
    const QList<DisplayOutput> ambiguous = LinuxDisplayEnumeration(drm).activeOutputs();
    EXPECT_TRUE(ambiguous.at(2).edid.isEmpty());
    EXPECT_EQ(ambiguous.at(2).videoCardKey, "x11:" + x.display());

    QProcess ctl;
    ctl.start(TestPaths::ctlProgram(), {"--platform", "linux", "--json", "displays"});
    ASSERT_TRUE(ctl.waitForFinished(60000));
    const QJsonArray listed =
        QJsonDocument::fromJson(ctl.readAllStandardOutput()).object().value("displays").toArray();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed.at(0).toObject().value("name").toString(), "DELL U2713H");
    EXPECT_EQ(listed.at(2).toObject().value("serial").toString(), "DUMMY2");
    EXPECT_EQ(listed.at(2).toObject().value("rect").toArray(), (QJsonArray{2048, 0, 1024, 768}));
}
