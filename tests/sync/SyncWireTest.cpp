#include "sync/BaseSynchronizer.h"
#include "sync/SyncXml.h"
#include "sync/SynchronizeRequest.h"
#include "tests/lut/profile/LogCapture.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

TEST(SyncWire, VersionRepliesInEveryAcceptedFormAndNothingElse)
{
    EXPECT_EQ(SynchronizeRequest::parseVersion("2"), 2);
    EXPECT_EQ(SynchronizeRequest::parseVersion(" 1\n"), 1);
    EXPECT_EQ(SynchronizeRequest::parseVersion(R"({"version":2})"), 2);
    EXPECT_EQ(SynchronizeRequest::parseVersion(R"({"version":"3"})"), 3);
    for (const char* bad : {"", "two", "{\"version\":\"x\"}", "{\"v\":2}", "[2]", "{\"version\":2.5}", "0"})
        EXPECT_EQ(SynchronizeRequest::parseVersion(bad), -1) << bad;
}

TEST(SyncWire, ReplyStatusIsReadFromNumberOrNumericTextAndMalformedRepliesAreRefused)
{
    bool ok = false;
    EXPECT_EQ(BaseSynchronizer::checkResponse(R"({"header":{"result":"4"}})", ok), 4);
    EXPECT_TRUE(ok);
    EXPECT_EQ(BaseSynchronizer::checkResponse(R"({"header":{"result":6}})", ok), 6);
    EXPECT_TRUE(ok);
    // Numbers no status can be: one that wrapped to 32 bits would read as success (4).
    for (const char* bad :
         {"{\"header\":{\"result\":4", "[1]", "{\"data\":1}", "{\"header\":4}", "{\"header\":{}}",
          "{\"header\":{\"result\":\"ok\"}}", "{\"header\":{\"result\":4294967300}}",
          "{\"header\":{\"result\":\"4294967300\"}}",
          "{\"header\":{\"result\":4555555555555555555555555555555555555555555555555555555555555}}"}) {
        BaseSynchronizer::checkResponse(bad, ok);
        EXPECT_FALSE(ok) << bad;
    }
}

TEST(SyncWire, FormBodyHasEveryPartAndABoundaryFoundNowhereInTheContent)
{
    SynchronizeRequest request;
    request.setRequestParam("user", "admin");
    request.setRequestParam("action", "HISTORY");
    const QByteArray document = "<qsynch>------------------------------</qsynch>";
    request.setFileParam("file", "send.xml", "text/xml", document);
    QByteArray boundary;
    const QByteArray body = request.multipartBody(&boundary);
    EXPECT_TRUE(boundary.startsWith("--"));
    EXPECT_FALSE(document.contains(boundary));
    EXPECT_TRUE(
        body.contains("Content-Disposition: form-data; name=\"user\"\r\nContent-Transfer-Encoding: 8bit"));
    EXPECT_TRUE(body.contains("name=\"file\"; filename=\"send.xml\"\r\nContent-Type: text/xml"));
    EXPECT_TRUE(body.contains(document));
    EXPECT_TRUE(body.endsWith("--" + boundary + "--\r\n"));
}

TEST(SyncWire, XmlFormCarriesTheSameContentAsJson)
{
    const QJsonObject data{{"tasks", QJsonArray{QJsonObject{{"taskId", 3}, {"name", "a<b&c"}},
                                                QJsonObject{{"taskId", 4}, {"exceptions", QJsonArray{}}}}},
                           {"single", QJsonArray{QJsonObject{{"x", 1}}}},
                           {"elements", QJsonObject{{"Serial Number", "SN 1"}, {"xmlish", "y"}}}};
    const QString xml = SyncXml::requestDocument({{"action", "CALTASKS"}}, data);
    QJsonObject back;
    ASSERT_TRUE(SyncXml::toJson(xml, &back, nullptr));
    EXPECT_EQ(back.value("action").toString(), "CALTASKS");
    const QJsonObject got = back.value("data").toObject();
    const QJsonArray tasks = got.value("tasks").toArray();
    ASSERT_EQ(tasks.size(), 2);
    EXPECT_EQ(BaseSynchronizer::toInt(tasks[0].toObject().value("taskId")), 3);
    EXPECT_EQ(tasks[0].toObject().value("name").toString(), "a<b&c");
    EXPECT_EQ(BaseSynchronizer::toList(got.value("single")).size(), 1);
    EXPECT_EQ(got.value("elements").toObject(), (QJsonObject{{"Serial Number", "SN 1"}, {"xmlish", "y"}}));
    EXPECT_EQ(SyncXml::removeInvalidCharacters(QString("a") + QChar(0x1) + "b"), "ab");
}

TEST(SyncWire, RepliesOf16384CharactersOrMoreAreLoggedShortened)
{
    const auto text = [](int size) {
        return QString(8192, QLatin1Char('a')) + QString(size - 12288, QLatin1Char('b')) +
               QString(4096, QLatin1Char('c'));
    };
    {
        LogCapture log;
        BaseSynchronizer::writeToLogButSkipHuge("reply:", text(16383));
        EXPECT_TRUE(log.contains(text(16383)));
        EXPECT_FALSE(log.contains("skipped"));
    }
    LogCapture log;
    BaseSynchronizer::writeToLogButSkipHuge("reply:", text(16384));
    EXPECT_FALSE(log.contains("b"));
    EXPECT_TRUE(log.contains("...(8192 first chars in previous line, 4096 last in this, 4096 skipped)..."));
    EXPECT_TRUE(log.contains(QString(8192, QLatin1Char('a'))));
    EXPECT_TRUE(log.contains(QString(4096, QLatin1Char('c'))));
}
