#include "app/AppPreferences.h"

#include "app/FirstRunSettings.h"
#include "db/DB.h"
#include "settings/BaseDataPool.h"
#include "tests/support/TestPaths.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// The agent's one data pool lives from the database set-up to shutdown, and the
// shell's preference writes (first-run presets among them) go through it.
TEST(AppPreferencesTest, OneDataPoolStoresTheShellsChanges)
{
    DB::setPath(TestPaths::freshFolder("app-preferences"));
    AppPreferences::initDatabase();
    BaseDataPool* const pool = AppPreferences::dataPool();
    ASSERT_NE(pool, nullptr);
    AppPreferences::initDatabase();
    EXPECT_EQ(AppPreferences::dataPool(), pool);

    QSignalSpy checkout(pool, &BaseDataPool::checkout);
    FirstRunSettings::start({"lutloader", "ProxyPassword=pr0xy", "Room=R 2.17"});
    EXPECT_EQ(checkout.count(), 2);
    EXPECT_EQ(AppPreferences::get("Room"), "R 2.17");
    // Passwords never rest in clear, whoever sets them.
    EXPECT_NE(AppPreferences::get("ProxyPassword"), "pr0xy");
    EXPECT_EQ(pool->password("ProxyPassword"), "pr0xy");

    AppPreferences::freeDatabase();
    EXPECT_EQ(AppPreferences::dataPool(), nullptr);
}

} // namespace
