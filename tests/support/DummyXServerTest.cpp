#include "tests/support/DummyXServer.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

// What xrandr, an independent client, reports about the server.
QString xrandr(const DummyXServer& server, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), server.display());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xrandr"), arguments);
    process.waitForFinished(20000);
    return QString::fromLatin1(process.readAllStandardOutput());
}

} // namespace

TEST(DummyXServerTest, OutputsComeUpSideBySideAndCarryTheEdidGiven)
{
    DummyXServer server(3);
    if (!server.isRunning())
        GTEST_SKIP() << server.error().toStdString();
    EXPECT_EQ(server.outputNames(), (QStringList{"DUMMY0", "DUMMY1", "DUMMY2"}));
    const QString outputs = xrandr(server, {});
    EXPECT_TRUE(outputs.contains("DUMMY0 connected primary 1024x768+0+0")) << outputs.toStdString();
    EXPECT_TRUE(outputs.contains("DUMMY1 connected 1024x768+1024+0")) << outputs.toStdString();
    EXPECT_TRUE(outputs.contains("DUMMY2 connected 1024x768+2048+0")) << outputs.toStdString();

    QByteArray edid(128, '\0');
    edid[0] = '\x00';
    edid[1] = '\xff';
    edid[127] = '\x5a';
    ASSERT_TRUE(server.setEdid("DUMMY1", edid));
    const QString props = xrandr(server, {"--prop"});
    const qsizetype at = props.indexOf("DUMMY1 connected");
    ASSERT_GE(at, 0);
    const QString dummy1 = props.mid(at, props.indexOf("DUMMY2", at) - at);
    EXPECT_TRUE(dummy1.contains("EDID:")) << dummy1.toStdString();
    EXPECT_TRUE(dummy1.contains("00ff000000000000")) << dummy1.toStdString();
    EXPECT_FALSE(server.setEdid("NOSUCHOUTPUT", edid));

    ASSERT_TRUE(server.setOutput("DUMMY2", QRect(0, 768, 1280, 1024)));
    EXPECT_TRUE(xrandr(server, {}).contains("DUMMY2 connected 1280x1024+0+768"));
    ASSERT_TRUE(server.setEdid("DUMMY1", {}));
    EXPECT_FALSE(xrandr(server, {"--prop"}).contains("EDID:"));
}
