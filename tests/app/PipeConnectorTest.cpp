#include "app/LUTLoaderApplication.h"
#include "app/NamedPipes.h"
#include "app/PipeAppConnectorClient.h"
#include "app/PipeAppConnectorServer.h"
#include "app/PipeMessage.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Received = std::tuple<QString, QString, QString>; // msg, param, key

// Collects what a participant hears.
struct Ear
{
    explicit Ear(PipeAppConnectorClient& client)
    {
        QObject::connect(&client,
                         qOverload<const QString&, const QString&, const QString&>(
                             &PipeAppConnectorClient::messageReceived),
                         [this](const QString& msg, const QString& param, const QString& key) {
                             heard.push_back({msg, param, key});
                         });
    }
    bool has(const QString& msg, const QString& param = {}) const
    {
        return std::any_of(heard.begin(), heard.end(), [&](const Received& r) {
            return std::get<0>(r) == msg && (param.isNull() || std::get<1>(r) == param);
        });
    }
    std::vector<Received> heard;
};

bool waitRegistered(PipeAppConnectorClient& client)
{
    QSignalSpy spy(&client, &PipeAppConnectorClient::signalRegistered);
    return client.isRegistered() || spy.wait(10000);
}

TEST(PipeMessageTest, RoundTripKeepsEveryCharacter)
{
    const PipeMessage message{QStringLiteral("kaldo_1234abcdefghij"), QStringLiteral("LutLoadEnd"),
                              QStringLiteral("a<b>&c \"d\" é Ω"), QStringLiteral("kaldo_1234")};
    const QByteArray bytes = message.toBytes();
    EXPECT_TRUE(bytes.startsWith("<info><server>kaldo_1234</server><key>"));
    const auto parsed = PipeMessage::parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, message.key);
    EXPECT_EQ(parsed->msg, message.msg);
    EXPECT_EQ(parsed->param, message.param);
    EXPECT_EQ(parsed->server, message.server);

    // What another writer may send: a declaration, indentation, an empty param.
    const auto other =
        PipeMessage::parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<info>\n  <key>k</key>\n"
                           "  <msg>regenTables</msg>\n  <param/>\n</info>\n");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->msg, "regenTables");
    EXPECT_TRUE(other->param.isEmpty());

    EXPECT_FALSE(PipeMessage::parse("<info><key>k</key><msg>x</ms"));
    EXPECT_FALSE(PipeMessage::parse("garbage"));
    EXPECT_FALSE(PipeMessage::parse("<other><msg>x</msg></other>"));
}

// Found by fuzzing: a character beyond the 16-bit range was written as two references to
// the halves of its surrogate pair, which no reader accepts, so the relayed message was lost.
TEST(PipeMessageTest, EveryCharacterSurvivesTheRelay)
{
    const auto relayed = PipeMessage::parse("<info><key>k</key><msg>m</msg><param>&#128512;</param></info>");
    ASSERT_TRUE(relayed);
    ASSERT_EQ(relayed->param, QString::fromUcs4(U"\U0001F600"));
    const auto again = PipeMessage::parse(relayed->toBytes());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->param, relayed->param);

    // Control characters and a lone surrogate from a display name cannot be carried; the
    // message still arrives, with U+FFFD in their place.
    const QString odd = QStringLiteral("a") + QChar(0x01) + QChar(0xD800) + QStringLiteral("b\r\tc");
    const auto sent =
        PipeMessage::parse(PipeMessage{QStringLiteral("k"), QStringLiteral("m"), odd, {}}.toBytes());
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->param, QStringLiteral("a\uFFFD\uFFFDb\r\tc"));
}

TEST(PipeMessageTest, ReaderReassemblesSplitAndJoinedMessages)
{
    const QByteArray first = PipeMessage{"k1", "one", "1", {}}.toBytes();
    const QByteArray second = PipeMessage{"k2", "two", "</info", {}}.toBytes();
    const QByteArray stream = first + second;
    PipeMessageReader reader;
    QList<QByteArray> out;
    for (char byte : stream) {
        reader.append(QByteArray(1, byte));
        out += reader.takeMessages();
    }
    ASSERT_EQ(out.size(), 2);
    EXPECT_EQ(PipeMessage::parse(out.at(0))->msg, "one");
    EXPECT_EQ(PipeMessage::parse(out.at(1))->param, "</info");
    EXPECT_TRUE(reader.isEmpty());

    reader.append("<info><key>x</key>");
    EXPECT_TRUE(reader.takeMessages().isEmpty());
    EXPECT_EQ(reader.takeRest(), "<info><key>x</key>");
}

TEST(PipeNamesTest, HubAndParticipantNames)
{
    EXPECT_EQ(LUTLoaderApplication::pipeServerName("Orvanta QA Pro"), "Orvanta_QA_Pro_pipeAppConnecting");
    const QString hub = PipeAppConnectorServer::pipeNameFor("Orvanta_QA_pipeAppConnecting");
    EXPECT_EQ(hub, "kaldo_" + QString::number(qChecksum(QByteArray("Orvanta_QA_pipeAppConnecting")), 16));
    EXPECT_NE(hub, PipeAppConnectorServer::pipeNameFor("Other_pipeAppConnecting"));

    const QRegularExpression pattern("^" + QRegularExpression::escape(hub) + "[a-z0-9]{10}$");
    QSet<QString> keys;
    for (int i = 0; i < 200; ++i) {
        const QString key = PipeAppConnectorClient::generateKey(hub);
        EXPECT_TRUE(pattern.match(key).hasMatch()) << key.toStdString();
        keys.insert(key);
    }
    EXPECT_GT(keys.size(), 195);
}

class PipeHubTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PipeAppConnectorServer::setServerKey(QStringLiteral("Pipe Hub Test_pipeAppConnecting"));
        ASSERT_TRUE(PipeAppConnectorServer::start());
        hub = PipeAppConnectorServer::instance();
    }
    void TearDown() override { PipeAppConnectorServer::stop(); }

    PipeAppConnectorServer* hub = nullptr;
};

TEST_F(PipeHubTest, RelaysToEveryParticipantButTheSender)
{
    PipeAppConnectorClient a(PipeAppConnectorServer::serverKey());
    PipeAppConnectorClient b(PipeAppConnectorServer::serverKey());
    PipeAppConnectorClient c(PipeAppConnectorServer::serverKey());
    Ear earA(a), earB(b), earC(c);
    ASSERT_TRUE(waitRegistered(a) && waitRegistered(b) && waitRegistered(c));
    QTRY_COMPARE_WITH_TIMEOUT(hub->participants().size(), 3, 10000);

    ASSERT_TRUE(a.sendMessage("regenTables", "7"));
    QTRY_VERIFY_WITH_TIMEOUT(earB.has("regenTables", "7") && earC.has("regenTables", "7"), 10000);
    ASSERT_TRUE(b.sendMessage("LutLoadEnd", "2"));
    QTRY_VERIFY_WITH_TIMEOUT(earA.has("LutLoadEnd", "2") && earC.has("LutLoadEnd", "2"), 10000);
    EXPECT_FALSE(earA.has("regenTables"));
    EXPECT_FALSE(earB.has("LutLoadEnd"));
    EXPECT_EQ(std::get<2>(earB.heard.front()), a.key());

    hub->pingAll();
    QTRY_VERIFY_WITH_TIMEOUT(earA.has("ping") && earB.has("ping") && earC.has("ping"), 10000);

    a.stop();
    EXPECT_FALSE(a.sendMessage("late", ""));
}

TEST_F(PipeHubTest, KilledParticipantIsRemovedAndRemovedParticipantRegistersAgain)
{
    PipeAppConnectorClient a(PipeAppConnectorServer::serverKey());
    Ear earA(a);
    ASSERT_TRUE(waitRegistered(a));

    QProcess standIn;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUTLOADER_STANDIN_HUB", PipeAppConnectorServer::serverKey());
    env.insert("LUTLOADER_STANDIN_SECONDS", "60");
    standIn.setProcessEnvironment(env);
    standIn.start(TestPaths::toolProgram("mainapp_standin"), {});
    ASSERT_TRUE(standIn.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(hub->participants().size(), 2, 20000);
    QString standInKey;
    for (const QString& key : hub->participants())
        if (key != a.key())
            standInKey = key;

    // The stand-in answers what it hears.
    ASSERT_TRUE(a.sendMessage("retranslate", "de"));
    QTRY_VERIFY_WITH_TIMEOUT(earA.has("reply", "retranslate:de"), 20000);

    standIn.kill();
    standIn.waitForFinished();
    ASSERT_TRUE(a.sendMessage("UpdateAllPrefs", ""));
    QTRY_VERIFY_WITH_TIMEOUT(earA.has("removed", standInKey), 10000);
    EXPECT_EQ(hub->participants(), QStringList{a.key()});

    // Told of its own removal, a participant registers again.
    QSignalSpy registered(hub, &PipeAppConnectorServer::participantRegistered);
    hub->sendMessageToAllClients("removed", a.key(), PipeAppConnectorServer::serverKey());
    QTRY_VERIFY_WITH_TIMEOUT(!registered.isEmpty(), 10000);
    EXPECT_EQ(registered.first().first().toString(), a.key());
}

TEST_F(PipeHubTest, MessageSplitAcrossWritesIsRelayedWhole)
{
    PipeAppConnectorClient listener(PipeAppConnectorServer::serverKey());
    Ear ear(listener);
    ASSERT_TRUE(waitRegistered(listener));

    const QByteArray text = PipeMessage{"writer", "LutLoadEnd", "display 3 of 4", {}}.toBytes();
    QLocalSocket socket;
    socket.connectToServer(NamedPipes::socketPath(PipeAppConnectorServer::serverKey()));
    ASSERT_TRUE(socket.waitForConnected(5000));
    for (qsizetype at = 0; at < text.size(); at += 7) {
        socket.write(text.mid(at, 7));
        socket.flush();
        QTest::qWait(5);
    }
    socket.disconnectFromServer();
    QTRY_VERIFY_WITH_TIMEOUT(ear.has("LutLoadEnd", "display 3 of 4"), 10000);

    // Noise and a torn message are dropped without harm.
    QLocalSocket noisy;
    noisy.connectToServer(NamedPipes::socketPath(PipeAppConnectorServer::serverKey()));
    ASSERT_TRUE(noisy.waitForConnected(5000));
    noisy.write("<info><key>x</key><msg>half");
    noisy.flush();
    noisy.disconnectFromServer();
    QTest::qWait(50);
    ASSERT_TRUE(listener.sendMessage("self", ""));
    EXPECT_FALSE(ear.has("half"));
}

TEST(PipeSocketTest, StaleSocketIsReplacedLiveOneKept)
{
    const QString name = QStringLiteral("kaldo_stale");
    const QString path = NamedPipes::socketPath(name);
    {
        // What a crashed agent leaves behind: a file that nobody serves.
        QFile leftover(path);
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    QLocalServer first;
    ASSERT_TRUE(NamedPipes::listen(first, name)) << first.errorString().toStdString();
    const QFileDevice::Permissions permissions = QFile::permissions(path);
    EXPECT_FALSE(permissions & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther |
                                QFileDevice::WriteOther));

    QLocalServer second;
    EXPECT_FALSE(NamedPipes::listen(second, name));
    EXPECT_TRUE(first.isListening());
    QLocalSocket client;
    client.connectToServer(path);
    EXPECT_TRUE(client.waitForConnected(2000));
}

} // namespace
