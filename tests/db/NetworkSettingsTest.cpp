#include "db/DBPreferences.h"
#include "db/DBUtils.h"
#include "settings/BaseDataPool.h"
#include "settings/GlobalData.h"
#include "settings/HideUnhideString.h"
#include "tests/db/DisplayTablesFixture.h"

namespace {

using NetworkSettingsTest = DisplayTablesTest;

TEST_F(NetworkSettingsTest, PreferencesGiveTheServerConnection)
{
    DBPreferences preferences;
    preferences.setValue(QStringLiteral("ServerAddress"), QStringLiteral("qa.example.org/lut"));
    preferences.setValue(QStringLiteral("RemoteConnectionUser"), QStringLiteral("ward7"));
    preferences.setValue(QStringLiteral("RemoteConnectionPassword"),
                         HideUnhideString::hide(QStringLiteral("s3cr'et")));
    preferences.setValue(QStringLiteral("remoteEncrypted"), QStringLiteral("1"));
    preferences.setValue(QStringLiteral("UseProxy"), QStringLiteral("false"));
    preferences.setValue(QStringLiteral("ProxyServerIp"), QStringLiteral("10.0.0.1"));

    NetworkSettings settings = DBUtils::getNetworkSettingsFromDB(1);
    EXPECT_EQ(settings.serverName, QStringLiteral("https://qa.example.org/lut"));
    EXPECT_EQ(settings.user, QStringLiteral("ward7"));
    EXPECT_EQ(settings.password, QStringLiteral("s3cr'et"));
    EXPECT_FALSE(settings.workstationId.isEmpty());
    EXPECT_EQ(settings.workstationId, DBUtils::getNetworkSettingsFromDB(1).workstationId);
    EXPECT_FALSE(settings.useProxy);
    EXPECT_TRUE(settings.proxyHost.isEmpty());

    // A password stored in clear (no "remoteEncrypted") is taken as it is; proxy values
    // count only while the proxy is on.
    preferences.setValue(QStringLiteral("remoteEncrypted"), QStringLiteral("0"));
    preferences.setValue(QStringLiteral("RemoteConnectionPassword"), QStringLiteral("plain"));
    preferences.setValue(QStringLiteral("ServerAddress"), QStringLiteral("http://local-qa"));
    preferences.setValue(QStringLiteral("UseProxy"), QStringLiteral("true"));
    preferences.setValue(QStringLiteral("ProxyServerPort"), QStringLiteral("3128"));
    preferences.setValue(QStringLiteral("ProxyPassword"), QStringLiteral("pp"));
    settings = DBUtils::getNetworkSettingsFromDB(1);
    EXPECT_EQ(settings.serverName, QStringLiteral("http://local-qa"));
    EXPECT_EQ(settings.password, QStringLiteral("plain"));
    EXPECT_TRUE(settings.useProxy);
    EXPECT_EQ(settings.proxyHost, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(settings.proxyPort, QStringLiteral("3128"));
    EXPECT_EQ(settings.proxyPassword, QStringLiteral("pp"));
}

// Both passwords are stored scrambled and must leave for the network in clear,
// whichever of them was set first.
TEST_F(NetworkSettingsTest, BothPasswordsReachTheConnectionInClear)
{
    DBPreferences preferences;
    preferences.setValue(QStringLiteral("remoteEncrypted"), QStringLiteral("0"));
    preferences.setValue(QStringLiteral("RemoteConnectionPassword"), QStringLiteral("from an old version"));
    preferences.setValue(QStringLiteral("UseProxy"), QStringLiteral("true"));

    BaseDataPool pool;
    pool.update(QStringLiteral("ProxyPassword"), QStringLiteral("pr0xy'pw"));
    EXPECT_NE(preferences.getValue(QStringLiteral("ProxyPassword")), QStringLiteral("pr0xy'pw"));
    EXPECT_NE(preferences.getValue(QStringLiteral("RemoteConnectionPassword")),
              QStringLiteral("from an old version"));
    NetworkSettings settings = DBUtils::getNetworkSettingsFromDB(1);
    EXPECT_EQ(settings.proxyPassword, QStringLiteral("pr0xy'pw"));
    EXPECT_EQ(settings.password, QStringLiteral("from an old version"));

    pool.update(QStringLiteral("RemoteConnectionPassword"), QStringLiteral("new"));
    settings = DBUtils::getNetworkSettingsFromDB(1);
    EXPECT_EQ(settings.password, QStringLiteral("new"));
    EXPECT_EQ(settings.proxyPassword, QStringLiteral("pr0xy'pw"));
}

TEST_F(NetworkSettingsTest, OldDefaultServerIsMovedOnVersionFour)
{
    GlobalData& global = GlobalData::instance();
    global.SetValue<QString>(QString::fromLatin1(DBUtils::OLD_DEFAULT_SERVER_ADDRESS_KEY),
                             QStringLiteral("https://old.example/"));
    StringMap defaults = global.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
    defaults.insert(QStringLiteral("ServerAddress"), QStringLiteral("https://new.example/"));
    global.SetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS), defaults);

    DBPreferences preferences;
    preferences.setValue(QStringLiteral("ServerAddress"), QStringLiteral("https://old.example/"));
    EXPECT_EQ(DBUtils::getNetworkSettingsFromDB(3).serverName, QStringLiteral("https://old.example/"));
    EXPECT_EQ(DBUtils::getNetworkSettingsFromDB(4).serverName, QStringLiteral("https://new.example/"));
    EXPECT_EQ(preferences.getValue(QStringLiteral("ServerAddress")), QStringLiteral("https://new.example/"));
}

} // namespace
