#include "lut/KaldoDisplayProfile.h"
#include "platform/OSProfile.h"
#include "platform/Platform.h"
#include "tests/lut/profile/IccFileBytes.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// A private X server for the test; `display()` is empty when none could start.
class PrivateXServer
{
public:
    PrivateXServer()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            return;
        // -noreset: our short connections are often the only clients, and a reset clears the root
        // window properties.
        m_process.start("Xvfb",
                        {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp", "-noreset"});
        if (!m_process.waitForStarted(10000))
            return;
        // Xvfb writes the display number it took once it accepts clients.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(15000)) {
        }
        const QByteArray number = m_process.readLine().trimmed();
        if (!number.isEmpty())
            m_display = ":" + QString::fromLatin1(number);
    }
    ~PrivateXServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

// The root-window property as xprop, an independent X client, prints it.
std::optional<QByteArray> xpropBytes(const QString& atom)
{
    QProcess xprop;
    xprop.start("xprop", {"-root", "-notype", atom});
    if (!xprop.waitForFinished(15000))
        return std::nullopt;
    const QByteArray out = xprop.readAllStandardOutput();
    const qsizetype equals = out.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    QByteArray bytes;
    for (const QByteArray& number : out.mid(equals + 1).split(','))
        bytes.append(static_cast<char>(number.trimmed().toInt()));
    return bytes;
}

KaldoDisplayProfile::LutValues table()
{
    KaldoDisplayProfile::LutValues lut(3);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i)
            lut[c].push_back(i * 250 + c * 7);
    }
    return lut;
}

void selectLinux()
{
    PlatformOptions options;
    options.platform = QStringLiteral("linux");
    Platform::select(options);
}

} // namespace

TEST(OSProfileLinuxTest, ProfileGoesToTheXdgFolderAndTheRootWindowProperty)
{
    if (QStandardPaths::findExecutable("xprop").isEmpty())
        GTEST_SKIP() << "xprop (x11-utils) not installed";
    const PrivateXServer server;
    if (server.display().isEmpty())
        GTEST_SKIP() << "no X server could be started (Xvfb missing or failing)";
    const QByteArray savedDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", server.display().toLatin1());
    const QString dataHome = TestPaths::freshFolder("xdg-data");
    qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
    qputenv("XDG_DATA_DIRS", TestPaths::freshFolder("xdg-system").toLocal8Bit());
    selectLinux();

    EXPECT_EQ(OSProfile::profilepath(), dataHome + "/icc");
    KaldoDisplayProfile profile(1, "MD21", "71004521", "MD21 under X");
    profile.setDevice("screen", QString()); // Xvfb's only RandR output
    ASSERT_TRUE(profile.InsertLUT(table()));
    ASSERT_TRUE(profile.ApplyProfile());
    const QByteArray file = IccFileBytes::readFile(dataHome + "/icc/kaldo_MD21_71004521.icc");
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(xpropBytes("_ICC_PROFILE"), file);

    // A backend that has not set it itself finds the file by the property's content.
    Platform::reset();
    selectLinux();
    EXPECT_EQ(OSProfile::currentDisplayProfile("screen"), profile.fileName());
    KaldoDisplayProfile current(TestPaths::freshFolder("x-current") + "/x.icc", "screen", 1, {});
    ASSERT_TRUE(current.LoadCurrent());
    KaldoDisplayProfile::LutValues back;
    ASSERT_TRUE(current.ReadLUT(back));
    EXPECT_EQ(back, table());

    // A numeric device id addresses the output index directly: "_ICC_PROFILE_1".
    EXPECT_TRUE(OSProfile::ApplyProfile(profile.fileName(), "screen", "1"));
    EXPECT_EQ(xpropBytes("_ICC_PROFILE_1"), file);

    // The standard profile is "no property" when the system has no sRGB file.
    ASSERT_TRUE(profile.ResetSystemProfile());
    EXPECT_EQ(xpropBytes("_ICC_PROFILE"), std::nullopt);
    EXPECT_EQ(xpropBytes("_ICC_PROFILE_1"), file);

    {
        LogCapture log;
        EXPECT_FALSE(OSProfile::ApplyProfile(profile.fileName(), "HDMI-9", QString()));
        EXPECT_TRUE(log.contains("?? Error code:"));
        EXPECT_EQ(xpropBytes("_ICC_PROFILE"), std::nullopt);
    }
    {
        // Without a reachable X display the profile is still installed and remembered.
        LogCapture log;
        qunsetenv("DISPLAY");
        EXPECT_TRUE(profile.ApplyProfile());
        EXPECT_TRUE(log.contains("no X display"));
        EXPECT_EQ(OSProfile::currentDisplayProfile("screen"), profile.fileName());
    }
    Platform::reset();
    qputenv("DISPLAY", savedDisplay);
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}
