#include "app/AppPreferences.h"
#include "settings/GlobalData.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/ProgramRun.h"
#include "tests/update/LocalUpdateServer.h"
#include "update/KaldoUpdate.h"
#include "update/UpdateRequest.h"

#include <QThread>

#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray updateReply(const QByteArray& version)
{
    return "<?xml version=\"1.0\"?><update version=\"" + version +
           "\"><link>https://dl.example.org/orvanta-" + version + ".exe</link></update>";
}

class UpdateCheckTest : public ::testing::Test
{
protected:
    UpdateCheckTest()
    {
        AppPreferences::initDatabase();
        AppPreferences::set(VERSION_SKIPPED, "");
        GlobalData::instance().SetValue(GLOBALDATA_VERSION_CURRENT, "4.0");
        GlobalData::instance().SetValue(GLOBALDATA_VERSION_BUILD, "2267");
        settings.serverName = server.address("/check?product=orvanta");
    }

    // One check against the local server answering `version`.
    std::pair<QString, QString> check(const QByteArray& version, bool checkSkipped = true)
    {
        server.answer(200, updateReply(version));
        KaldoUpdate checker(settings);
        QString foundVersion;
        QString link;
        checker.CheckUpdate(foundVersion, link, checkSkipped);
        return {foundVersion, link};
    }

    LocalUpdateServer server;
    NetworkSettings settings;
};

} // namespace

TEST(UpdateVersionOrder, OnlyALaterSharedPositionCounts)
{
    EXPECT_TRUE(KaldoUpdate::IsNewVersionLater("4.0.2267", "4.0.2268"));
    EXPECT_TRUE(KaldoUpdate::IsNewVersionLater("4.0.2267", "4.1"));
    EXPECT_TRUE(KaldoUpdate::IsNewVersionLater("4.0.9", "4.0.10")); // numbers, not text
    EXPECT_FALSE(KaldoUpdate::IsNewVersionLater("4.0.2267", "4.0.2267"));
    EXPECT_FALSE(KaldoUpdate::IsNewVersionLater("4.0.2267", "3.9.9999"));
    EXPECT_FALSE(KaldoUpdate::IsNewVersionLater("4.0", "4.0.1"));
    EXPECT_FALSE(KaldoUpdate::IsNewVersionLater("4.0.2267", "x.y"));
}

TEST_F(UpdateCheckTest, NewerVersionGivesItsLinkAndTheRequestNamesThePlatform)
{
    EXPECT_EQ(KaldoUpdate::GetCurrentVersion(), "4.0.2267");
    const auto [version, link] = check("4.0.2268");
    EXPECT_EQ(version, "4.0.2268");
    EXPECT_EQ(link, "https://dl.example.org/orvanta-4.0.2268.exe");
    ASSERT_EQ(server.requestLines().size(), 1);
    EXPECT_TRUE(server.requestLines().at(0).startsWith("GET /check?product=orvanta&os=linux "))
        << server.requestLines().at(0).constData();

    EXPECT_EQ(check("4.1").first, "4.1");
    for (const char* older : {"4.0.2267", "3.9.9999", "4.0.1"}) {
        const auto [none, noLink] = check(older);
        EXPECT_TRUE(none.isEmpty()) << older;
        EXPECT_TRUE(noLink.isEmpty()) << older;
    }
}

TEST_F(UpdateCheckTest, SkippedVersionIsQuietOnlyWhenTheCheckAsksForIt)
{
    {
        server.answer(200, updateReply("4.1"));
        KaldoUpdate checker(settings);
        QString version;
        QString link;
        checker.CheckUpdate(version, link, true);
        ASSERT_EQ(version, "4.1");
        LogCapture log;
        checker.slotVersionSkipp();
        EXPECT_TRUE(log.contains("Version is Skipped!!!!!"));
    }
    EXPECT_EQ(KaldoUpdate::GetSkippedVersion(), "4.1");
    EXPECT_TRUE(check("4.1").first.isEmpty());
    EXPECT_EQ(check("4.1", false).first, "4.1");
    // A version beyond the skipped one is offered again.
    EXPECT_EQ(check("4.2").first, "4.2");
}

TEST_F(UpdateCheckTest, FailuresAreToldApartFromNothingNewer)
{
    server.answer(500, "broken");
    KaldoUpdate checker(settings);
    QString version = "stale";
    QString link = "stale";
    LogCapture log;
    checker.CheckUpdate(version, link, true);
    EXPECT_EQ(version, UPDATE_ERROR);
    EXPECT_TRUE(link.isEmpty());
    EXPECT_TRUE(log.contains("Error string - "));

    for (const QByteArray& garbage : {QByteArray("<update version="), QByteArray("<other/>"), QByteArray()}) {
        server.answer(200, garbage);
        checker.CheckUpdate(version, link, true);
        EXPECT_TRUE(version.isEmpty()) << garbage.constData();
        EXPECT_TRUE(link.isEmpty());
    }

    NetworkSettings nowhere;
    nowhere.serverName = "http://";
    KaldoUpdate unusable(nowhere);
    unusable.CheckUpdate(version, link, true);
    EXPECT_EQ(version, UPDATE_ERROR);
}

TEST_F(UpdateCheckTest, AReplyBeyondOneMebibyteIsAFailedRequest)
{
    server.answer(200, updateReply("4.1") + QByteArray(UpdateRequest::kMaxReplyBytes, ' '));
    KaldoUpdate checker(settings);
    QString version;
    QString link;
    LogCapture log;
    checker.CheckUpdate(version, link, true);
    EXPECT_EQ(version, UPDATE_ERROR);
    EXPECT_TRUE(log.contains("larger than")) << log.all().toStdString();
}

TEST_F(UpdateCheckTest, AReplyThatNeverEndsIsCutByTheTransferBound)
{
    server.answer(200, updateReply("4.1"));
    server.stall();
    KaldoUpdate checker(settings);
    checker.request().setTransferTimeout(500);
    QString version;
    QString link;
    checker.CheckUpdate(version, link, true);
    EXPECT_EQ(version, UPDATE_ERROR);
}

TEST_F(UpdateCheckTest, ProxyFromTheSettingsCarriesTheRequest)
{
    // The address names no reachable host: only the proxy can answer it.
    settings.serverName = "http://update.invalid/check?product=orvanta";
    settings.useProxy = true;
    settings.proxyHost = "127.0.0.1";
    settings.proxyPort = QString::number(server.port());
    const auto [version, link] = check("4.1");
    EXPECT_EQ(version, "4.1");
    ASSERT_EQ(server.requestLines().size(), 1);
    EXPECT_TRUE(
        server.requestLines().at(0).startsWith("GET http://update.invalid/check?product=orvanta&os=linux"))
        << server.requestLines().at(0).constData();
}

TEST_F(UpdateCheckTest, CommandReportsNewerVersionOrUpToDate)
{
    // lutloaderctl runs while this thread waits for it, so the server serves from its own thread.
    QThread serverThread;
    QObject context;
    context.moveToThread(&serverThread);
    serverThread.start();
    std::unique_ptr<LocalUpdateServer> remote;
    QMetaObject::invokeMethod(
        &context, [&] { remote = std::make_unique<LocalUpdateServer>(); }, Qt::BlockingQueuedConnection);
    const QString url = remote->address("/check?product=orvanta");
    auto answer = [&](const QByteArray& body) {
        QMetaObject::invokeMethod(
            &context, [&] { remote->answer(200, body); }, Qt::BlockingQueuedConnection);
    };

    answer(updateReply("4.1"));
    const ProgramRun newer = ProgramRun::ctl({"update", "check", "--url", url});
    EXPECT_EQ(newer.exitCode, 0) << newer.err.constData();
    EXPECT_EQ(newer.out.trimmed(), "newer version 4.1 at https://dl.example.org/orvanta-4.1.exe");

    answer(updateReply("4.0.2267"));
    const ProgramRun same = ProgramRun::ctl({"--json", "update", "check", "--url", url});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_EQ(same.json().value("newer").toBool(true), false);
    EXPECT_EQ(same.json().value("current").toString(), "4.0.2267");

    const ProgramRun failed =
        ProgramRun::ctl({"update", "check", "--url", remote->address("/x").replace("127.0.0.1", "[::1")});
    EXPECT_NE(failed.exitCode, 0);
    EXPECT_EQ(ProgramRun::ctl({"update", "check", "--url"}).exitCode, 2);

    QMetaObject::invokeMethod(
        &context, [&] { remote.reset(); }, Qt::BlockingQueuedConnection);
    serverThread.quit();
    serverThread.wait();
}
