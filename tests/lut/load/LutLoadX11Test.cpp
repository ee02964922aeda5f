// Loading a stored LUT through the linux backend under a private X server: the server's own
// ramp changes, the profile goes to the root window, and unloading gives the linear ramp back.
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "lut/DisplayList.h"
#include "platform/Platform.h"
#include "tests/lut/gamma/BareXRandr.h"
#include "tests/lut/load/LutLoadFixture.h"
#include "tests/support/DummyXServer.h"
#include "tests/support/TestPaths.h"

namespace {

luts_t asTable(const GammaRamp& ramp)
{
    luts_t table;
    for (const auto& channel : ramp)
        table.emplace_back(channel.begin(), channel.end());
    return table;
}

// Uses the fixture's table helpers and loading runs, with the linux backend instead of sim.
class LutLoadX11Test : public LutLoadFixture
{
protected:
    void SetUp() override
    {
        m_server = std::make_unique<DummyXServer>(2);
        if (!m_server->isRunning())
            GTEST_SKIP() << "no private X server: " << qPrintable(m_server->error());
        ASSERT_TRUE(m_server->setEdid("DUMMY0", displayEdid(0x201, QStringLiteral("X left"))));
        ASSERT_TRUE(m_server->setEdid("DUMMY1", displayEdid(0x202, QStringLiteral("X right"))));
        m_savedDisplay = qgetenv("DISPLAY");
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("DISPLAY", m_server->display().toLatin1());
        // Profiles go to the test's own colour folder, never the user's.
        qputenv("XDG_DATA_HOME", TestPaths::freshFolder(QStringLiteral("x11-data-home")).toLatin1());
        PlatformOptions options;
        options.platform = QStringLiteral("linux");
        ASSERT_TRUE(Platform::select(options));

        DB::free();
        DB::setPath(TestPaths::freshFolder(QStringLiteral("x11-db")));
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        CurrentDisplays::Clear();
        CurrentDisplays::NonCachedRefresh();
        ASSERT_EQ(DBUtils::RefreshDisplaysInfo().size(), 2);
        DisplayList::instance().clearDisplays();
    }

    void TearDown() override
    {
        if (!m_server->isRunning())
            return;
        m_thread.wait();
        DisplayList::instance().clearDisplays();
        CurrentDisplays::Clear();
        DB::free();
        Platform::reset();
        qputenv("DISPLAY", m_savedDisplay);
        qputenv("XDG_DATA_HOME", m_savedDataHome);
    }

    luts_t serverRamp(const QString& output) const
    {
        const std::optional<GammaRamp> ramp = BareXRandr::readRamp(m_server->display(), output);
        return ramp ? asTable(*ramp) : luts_t();
    }

    std::unique_ptr<DummyXServer> m_server;
    QByteArray m_savedDisplay;
    QByteArray m_savedDataHome;
};

} // namespace

TEST_F(LutLoadX11Test, LoadChangesTheServersRampAndUnloadRestoresTheLinearOne)
{
    const luts_t untouched = serverRamp("DUMMY0");
    ASSERT_EQ(untouched.size(), 3u);
    const luts_t table = curve(256, 65280, 2.0);
    storeLut("DUMMY1", table);

    const Run loaded = runLoad("DUMMY1", true);
    EXPECT_EQ(loaded.fails, 0);
    EXPECT_EQ(loaded.finishedSignals, 1);
    EXPECT_TRUE(loaded.calibrated);
    EXPECT_EQ(serverRamp("DUMMY1"), table);
    EXPECT_EQ(serverRamp("DUMMY0"), untouched);
    // The profile carrying the same table is the output's profile on the root window.
    EXPECT_EQ(associatedProfileTable("DUMMY1"), table);

    const Run unloaded = runLoad("DUMMY1", false);
    EXPECT_EQ(unloaded.fails, 0);
    EXPECT_FALSE(unloaded.calibrated);
    EXPECT_EQ(serverRamp("DUMMY1"), linear(256, 65280));
    EXPECT_EQ(serverRamp("DUMMY0"), untouched);
}
