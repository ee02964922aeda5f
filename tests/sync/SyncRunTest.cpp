#include "sync/BaseSynchronizer.h"
#include "sync/SyncXml.h"
#include "sync/SynchronizeRequest.h"
#include "tests/sync/SyncFixture.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {

const QStringList kProtocol2Actions{"DISPLAY",         "SETTINGSNAMES", "DISPLAYPREFS", "USERREGULATIONLIST",
                                    "USERLANGUAGES",   "PREFERENCES",   "DISPLAYHOURS", "CALTASKS",
                                    "DISPLAYSTATUSES", "TASKQATIME",    "QATASKS",      "QASTEPS",
                                    "HISTORY"};

// A plain HTTP proxy that tunnels CONNECT requests, served by the event loops the client runs
// while it waits; it records the targets it was asked for.
class ConnectProxy : public QObject
{
public:
    ConnectProxy()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection())
                tunnel(client);
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    void close() { m_server.close(); }
    QStringList targets;

private:
    void tunnel(QTcpSocket* client)
    {
        auto* upstream = new QTcpSocket(client);
        auto pending = std::make_shared<QByteArray>();
        connect(client, &QTcpSocket::readyRead, client, [this, client, upstream, pending] {
            if (upstream->state() == QAbstractSocket::ConnectedState) {
                upstream->write(client->readAll());
                return;
            }
            pending->append(client->readAll());
            const qsizetype end = pending->indexOf("\r\n\r\n");
            if (end < 0 || upstream->state() != QAbstractSocket::UnconnectedState)
                return;
            const QList<QByteArray> request = pending->left(pending->indexOf("\r\n")).split(' ');
            pending->remove(0, end + 4);
            const QString target = request.size() == 3 && request[0] == "CONNECT" ? request[1] : QString();
            targets << target;
            upstream->connectToHost(target.section(QLatin1Char(':'), 0, 0),
                                    quint16(target.section(QLatin1Char(':'), 1).toUInt()));
        });
        connect(upstream, &QTcpSocket::connected, client, [client, upstream, pending] {
            client->write("HTTP/1.1 200 Connection established\r\n\r\n");
            upstream->write(*pending);
        });
        connect(upstream, &QTcpSocket::readyRead, client,
                [client, upstream] { client->write(upstream->readAll()); });
        connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }

    QTcpServer m_server;
};

} // namespace

class SyncRun : public SyncFixture
{
protected:
    void seedWorkstation()
    {
        m_display = addDisplay("SN-1", true);
        m_inactive = addDisplay("SN-2", false);
        exec("INSERT INTO DisplayInfo (displayid, name, value, issynchron) VALUES (?, 'Location', 'Room 4', "
             "0)",
             {m_display});
        exec("INSERT INTO Preferences (name, value, isupdate) VALUES ('UsedRegulation', 'DIN', 1)");
        exec("INSERT INTO DisplayStatistic (STDATE, DISPLAYID, STVALUE, STISSYNCHRON) VALUES ('2026.12.07', "
             "?, 7200, "
             "'0')",
             {m_display});
        qint64 task = 0;
        ASSERT_TRUE(
            DB::get()->exec("INSERT INTO UserScheduling (servertask_id, displayid, tasktype_id, issynchron, "
                            "IsDelete, TimeFormat) VALUES (0, ?, 'con', 0, 0, '24')",
                            {m_display}, &task));
        m_localTask = int(task);
        exec("INSERT INTO UserSchedulingParams (taskid, name, value) VALUES (?, 'Points', '18')", {task});
        exec("INSERT INTO QASchedulingGroups (groupid, displayid, qatype, nextdate, TaskKey, issynchron) "
             "VALUES (1, ?, "
             "'Daily', '1000', 'K1', 0)",
             {m_display});
        exec("INSERT INTO QASchedulingSteps (groupid, displayid, stepid, issynchron) VALUES (1, ?, 11, 0)",
             {m_display});
        exec("INSERT INTO QASchedulingSteps (groupid, displayid, stepid, issynchron) VALUES (1, ?, 12, 0)",
             {m_display});
        exec("INSERT INTO QASchedulingGroupsExceptions (displayid, TaskKey, dateFrom, dateTo, issynchron) "
             "VALUES (?, "
             "'K1', 10, 20, 0)",
             {m_display});
        addHistory(m_display, 5);
    }
    void serverAnswers()
    {
        server().setReply("PREFERENCES",
                          {{"data", QJsonArray{QJsonObject{{"name", "MinAmbientLux"}, {"value", "30"}},
                                               QJsonObject{{"name", "UsedClassification"}, {"value", ""}}}}});
        server().setReply(
            "DISPLAYPREFS",
            {{"data", QJsonArray{QJsonObject{{"id", m_inactive},
                                             {"exclude", "0"},
                                             {"settings", QJsonArray{QJsonObject{{"name", "PresenceSensor"},
                                                                                 {"value", "on"}}}}}}}});
        server().setReply(
            "CALTASKS",
            {{"tasks",
              QJsonArray{
                  QJsonObject{{"serverTaskId", 900}, {"taskId", m_localTask}, {"type", "con"}},
                  QJsonObject{{"serverTaskId", 901},
                              {"taskId", 77},
                              {"type", "cal"},
                              {"timeformat", "12"},
                              {"params", QJsonArray{QJsonObject{{"name", "Pattern"}, {"value", "TG18-QC"}},
                                                    QJsonObject{{"name", "Limit"}, {"value", 5}},
                                                    QJsonObject{{"value", "nameless"}}}},
                              {"exceptions", QJsonArray{QJsonObject{{"from", 5}, {"to", 6}}}}}}}});
        server().setReply(
            "QATASKS",
            {{"data",
              QJsonArray{QJsonObject{{"taskKey", "K1"},
                                     {"displayid", m_display},
                                     {"nextdate", "5000"},
                                     {"exceptions", QJsonArray{QJsonObject{{"from", 100}, {"to", 200}}}}},
                         QJsonObject{{"taskKey", "K9"}, {"displayid", m_display}}}}});
        server().setReply("TASKQATIME",
                          {{"time", QJsonArray{QJsonObject{{"taskkey", "unknown"}, {"nexttime", 1}}}}});
    }

    int m_display = 0;
    int m_inactive = 0;
    int m_localTask = 0;
};

TEST_F(SyncRun, Protocol2RunDeliversEverythingOnceClearsTheMarksAndAppliesTheReplies)
{
    seedWorkstation();
    serverAnswers();
    SynchronizationReport report;
    ASSERT_TRUE(synchronize(&report)) << report.error.toStdString();
    EXPECT_EQ(report.version, 2);
    EXPECT_EQ(actionsReceived(), kProtocol2Actions);
    // The version was asked once, before everything else.
    EXPECT_EQ(server().requestCount(), kProtocol2Actions.size() + 1);

    // The header carries the digest of the password, never the password itself.
    for (const MgmtServer::Received& r : server().received()) {
        EXPECT_EQ(r.header.value("pwd").toString(),
                  QCryptographicHash::hash(m_settings.password.toUtf8(), QCryptographicHash::Md5).toHex());
        EXPECT_FALSE(QString::fromUtf8(r.body).contains(m_settings.password));
        EXPECT_EQ(r.header.value("workstationid").toString(), "WS-1");
    }
    EXPECT_EQ(historyNamesReceived().size(), 5);
    // A step without a comment carries no comment member.
    const QJsonArray reports = server().received().last().data.toArray();
    ASSERT_EQ(reports.size(), 5);
    EXPECT_FALSE(reports[0]["steps"][0].toObject().contains("comment"));
    EXPECT_EQ(reports[1]["steps"][0]["comment"].toString(), "ok");
    // The inactive display goes up excluded.
    for (const QJsonValue& display :
         server().received().at(kProtocol2Actions.indexOf("DISPLAYPREFS")).data.toArray())
        EXPECT_EQ(display["exclude"].toString(), display["id"].toInt() == m_inactive ? "1" : "0");

    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Preferences WHERE isupdate = 1"), 0);
    EXPECT_EQ(one("SELECT issynchron FROM DisplayInfo WHERE name = 'Location'"), "1");
    EXPECT_EQ(one("SELECT issynchron FROM Displays WHERE displayid = ?", {m_display}), "1");
    EXPECT_EQ(one("SELECT STISSYNCHRON FROM DisplayStatistic"), "1");

    EXPECT_EQ(one("SELECT value FROM Preferences WHERE name = 'AmbientSource'"), "remote");
    EXPECT_EQ(one("SELECT value FROM Preferences WHERE name = 'MinAmbientLux'"), "30");
    EXPECT_EQ(count("SELECT COUNT(*) FROM Preferences WHERE name = 'UsedClassification'"), 0);
    EXPECT_EQ(one("SELECT isactive FROM Displays WHERE displayid = ?", {m_inactive}), "1");
    EXPECT_EQ(one("SELECT value FROM DisplayInfo WHERE displayid = ? AND name = 'PresenceSensorSource'",
                  {m_inactive}),
              "remote");
    EXPECT_EQ(one("SELECT issynchron FROM DisplayInfo WHERE displayid = ? AND name = 'PresenceSensor'",
                  {m_inactive}),
              "1");

    EXPECT_EQ(count("SELECT COUNT(*) FROM UserScheduling"), 2);
    EXPECT_EQ(one("SELECT servertask_id FROM UserScheduling WHERE taskid = ?", {m_localTask}), "900");
    EXPECT_EQ(one("SELECT tasktype FROM UserScheduling WHERE servertask_id = 901"), "Display Calibration");
    EXPECT_EQ(one("SELECT DaysOfWeek FROM UserScheduling WHERE servertask_id = 901"), "1;2;3;4;5;6;7");
    EXPECT_EQ(one("SELECT schedtestpattern FROM UserScheduling WHERE servertask_id = 901"), "SMPTE");
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserSchedulingExceptions"), 1);
    // Time format and parameters go both ways; a parameter without a name is dropped.
    const QJsonObject sentTask =
        server().received().at(kProtocol2Actions.indexOf("CALTASKS")).data["tasks"][0].toObject();
    EXPECT_EQ(sentTask.value("timeformat").toString(), "24");
    EXPECT_EQ(sentTask.value("params").toArray(),
              (QJsonArray{QJsonObject{{"name", "Points"}, {"value", "18"}}}));
    EXPECT_EQ(one("SELECT TimeFormat FROM UserScheduling WHERE servertask_id = 901"), "12");
    const QString params =
        "SELECT group_concat(name || '=' || value) FROM UserSchedulingParams WHERE taskid = "
        "(SELECT taskid FROM UserScheduling WHERE servertask_id = 901) ORDER BY rowid";
    EXPECT_EQ(one(params), "Pattern=TG18-QC,Limit=5");

    // The server's postponement replaced the one sent; the due date reached every step.
    EXPECT_EQ(one("SELECT dateFrom || '-' || dateTo || '-' || issynchron FROM QASchedulingGroupsExceptions"),
              "100-200-1");
    EXPECT_EQ(one("SELECT nextdate FROM QASchedulingGroups WHERE TaskKey = 'K1'"), "5000");
    EXPECT_EQ(count("SELECT COUNT(*) FROM QATasksTime WHERE time = 5000 AND dispid = ?", {m_display}), 2);

    // The same answer again: nothing is duplicated, nothing already sent goes again.
    server().clearReceived();
    ASSERT_TRUE(synchronize());
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserScheduling"), 2);
    EXPECT_EQ(one(params), "Pattern=TG18-QC,Limit=5");
    EXPECT_EQ(server().count("HISTORY"), 0);
    EXPECT_TRUE(historyNamesReceived().isEmpty());

    // A task the server deletes disappears here.
    server().setReply("CALTASKS",
                      {{"tasks", QJsonArray{QJsonObject{{"serverTaskId", 901}, {"deleted", "true"}}}}});
    ASSERT_TRUE(synchronize());
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserScheduling WHERE servertask_id = 901"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserScheduling"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserSchedulingParams WHERE name <> 'Points'"), 0);
}

TEST_F(SyncRun, Protocol1RunExchangesTheSameContentAsFormData)
{
    server().setVersionReply("1");
    m_display = addDisplay("SN-1", true);
    addHistory(m_display, 3);
    exec("INSERT INTO Preferences (name, value, isupdate) VALUES ('UseProxy', 'false', 1)");
    server().setReply("PREFERENCES",
                      {{"data", QJsonArray{QJsonObject{{"name", "UseProxy"}, {"value", "1"}}}}});
    // A step time set here has no way up in this protocol: the server's due date replaces it.
    exec("INSERT INTO QASchedulingGroups (groupid, displayid, qatype, nextdate, TaskKey) "
         "VALUES (1, ?, 'Daily', '1000', 'K1')",
         {m_display});
    exec("INSERT INTO QASchedulingSteps (groupid, displayid, stepid) VALUES (1, ?, 11)", {m_display});
    exec("INSERT INTO QATasksTime (stepid, dispid, time, issynchron) VALUES (11, ?, -1, 0)", {m_display});
    server().setReply(
        "QATASKS",
        {{"data", QJsonArray{QJsonObject{{"taskKey", "K1"}, {"displayid", m_display}, {"nextdate", 5000}}}}});
    SynchronizationReport report;
    ASSERT_TRUE(synchronize(&report)) << report.error.toStdString();
    EXPECT_EQ(report.version, 1);
    EXPECT_EQ(actionsReceived(), QStringList({"DISPLAY", "DISPLAYPREFS", "PREFERENCES", "DISPLAYHOURS",
                                              "DISPLAYSTATUSES", "CALTASKS", "QATASKS", "HISTORY"}));
    for (const MgmtServer::Received& r : server().received()) {
        EXPECT_EQ(r.protocol, 1);
        EXPECT_EQ(r.formFields.value("workstation_id"), "WS-1");
    }
    EXPECT_EQ(historyNamesReceived().size(), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);
    // Sent in the server's form, stored back in the local one.
    EXPECT_EQ(one("SELECT value FROM Preferences WHERE name = 'UseProxy'"), "true");
    EXPECT_EQ(count("SELECT COUNT(*) FROM Preferences WHERE isupdate = 1"), 0);
    EXPECT_EQ(one("SELECT time || '/' || issynchron FROM QATasksTime"), "5000/1");
}

// The version query decides everything else: when it fails, cannot be read, or the server is not
// trusted, nothing is sent and no protocol is guessed.
TEST_F(SyncRun, AVersionQueryThatFailsOrIsNotTrustedEndsTheRunBeforeAnythingIsSent)
{
    addHistory(addDisplay("SN-1", true), 2);
    for (const QString kind : {"close", "http500", "garbage", "hang"}) {
        server().clearReceived();
        // Every attempt: the network layer may resend a query whose connection closed.
        server().setFault("version", {kind, 0, -1});
        SynchronizationReport report;
        EXPECT_FALSE(synchronize(&report)) << kind.toStdString();
        EXPECT_TRUE(report.error.contains("version")) << report.error.toStdString();
        EXPECT_TRUE(server().received().isEmpty()) << kind.toStdString();
    }

    MgmtServerHost rogue;
    ASSERT_TRUE(rogue.start(MgmtCertificates::rogueCertificate(certificates()),
                            MgmtCertificates::rogueKey(certificates())));
    m_settings.serverName = rogue.baseUrl();
    SynchronizationReport report;
    EXPECT_FALSE(synchronize(&report));
    EXPECT_TRUE(report.error.contains("version")) << report.error.toStdString();
    EXPECT_EQ(rogue.server().requestCount(), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 2);
}

// Each fault leaves every mark the server did not accept; the next run delivers every record
// exactly once and clears the marks (so a third run sends nothing, as the protocol-2 run shows).
class SyncFault : public SyncFixture, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(SyncFault, LeavesEveryMarkNotAcceptedAndTheNextRunDeliversOnce)
{
    const QString kind = GetParam();
    const bool connectionFault = kind == QLatin1String("hang") || kind == QLatin1String("close");
    SynchronizeSettings::setHistoryBatchSize(2);
    addHistory(addDisplay("SN-1", true), 6);
    exec("INSERT INTO Preferences (name, value, isupdate) VALUES ('Foo', 'bar', 1)");
    server().setFault("PREFERENCES", {kind, 5, -1});
    // The history upload is hit in its middle, after its first batch was accepted.
    server().setOnRequest([this, kind](const MgmtServer::Received& r) {
        if (r.action == QLatin1String("HISTORY") && server().count("HISTORY") == 2)
            server().setFault("HISTORY", {kind, 5, -1});
    });
    SynchronizationReport report;
    EXPECT_FALSE(synchronize(&report));
    server().setOnRequest({});
    EXPECT_EQ(one("SELECT isupdate FROM Preferences WHERE name = 'Foo'"), "1");
    // A lost connection ends the run at once; a refused exchange fails only its synchroniser.
    EXPECT_EQ(server().count("CALTASKS"), connectionFault ? 0 : 1);
    EXPECT_EQ(server().count("HISTORY"), connectionFault ? 0 : 2);
    // The batch read while the faulted one was out never left.
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), connectionFault ? 6 : 4);

    server().clearFaults();
    server().clearReceived();
    ASSERT_TRUE(synchronize(&report)) << report.error.toStdString();
    QStringList names = historyNamesReceived();
    EXPECT_EQ(names.size(), connectionFault ? 6 : 4);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);
    EXPECT_EQ(one("SELECT isupdate FROM Preferences WHERE name = 'Foo'"), "0");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SyncFault,
                         ::testing::Values("status", "http500", "malformed", "hang", "close"));

// A reply is read as long as the server keeps sending and stays under 16 MiB; beyond that it is
// not read, and only its synchroniser fails.
TEST_F(SyncRun, RepliesAreTakenWhileTheServerKeepsSendingUpTo16MiB)
{
    addHistory(addDisplay("SN-1", true), 2);
    SynchronizeSettings::setRequestTimeoutMs(1000);
    server().setFault("DISPLAY", {"huge", 0, -1});
    // About three seconds in all, but never a second of silence.
    server().setFault("HISTORY", {"trickle", 0, -1});
    SynchronizationReport report;
    ASSERT_TRUE(synchronize(&report)) << report.error.toStdString();
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);

    // The server takes its time to build the answer; the bound, not the time-out, must end it.
    SynchronizeSettings::setRequestTimeoutMs(120000);
    server().clearFaults();
    server().clearReceived();
    exec("INSERT INTO Preferences (name, value, isupdate) VALUES ('Foo', 'bar', 1)");
    server().setReply("PREFERENCES",
                      {{"data", QJsonArray{QJsonObject{{"name", "Foo"}, {"value", "server"}}}},
                       {"padding", QString(SynchronizeRequest::kMaxReplyBytes, QLatin1Char('x'))}});
    EXPECT_FALSE(synchronize(&report));
    EXPECT_EQ(one("SELECT value || '/' || isupdate FROM Preferences WHERE name = 'Foo'"), "bar/1");
    bool reported = false;
    for (const SynchronizerReport& synchronizer : report.synchronizers)
        reported = reported || synchronizer.text.contains("larger than");
    EXPECT_TRUE(reported);
    EXPECT_EQ(server().count("CALTASKS"), 1);
}

TEST_F(SyncRun, AnEditMadeWhileTheRequestIsOutIsKeptAndSentByTheNextRun)
{
    const int display = addDisplay("SN-1", true);
    addHistory(display, 6);
    SynchronizeSettings::setHistoryBatchSize(4);
    exec("INSERT INTO Preferences (name, value, isupdate) VALUES ('Foo', 'first', 1)");
    server().setReply("PREFERENCES",
                      {{"data", QJsonArray{QJsonObject{{"name", "Foo"}, {"value", "server"}}}}});
    exec("INSERT INTO DisplayInfo (displayid, name, value, issynchron) VALUES (?, 'Location', 'Room 4', 0)",
         {display});
    exec("INSERT INTO DisplayStatistic (STDATE, DISPLAYID, STVALUE, STISSYNCHRON) VALUES ('2026.12.07', ?, "
         "60, '0')",
         {display});
    server().setOnRequest([](const MgmtServer::Received& r) {
        // The server's thread has its own connection, like another writer would.
        if (r.action == QLatin1String("DISPLAYPREFS"))
            DB::get()->exec(
                "UPDATE DisplayInfo SET value = 'Room 5', issynchron = 0 WHERE name = 'Location'");
        if (r.action == QLatin1String("DISPLAYHOURS"))
            DB::get()->exec("UPDATE DisplayStatistic SET STVALUE = 120");
        if (r.action == QLatin1String("PREFERENCES"))
            DB::get()->exec("UPDATE Preferences SET value = 'edited', isupdate = 1 WHERE name = 'Foo'");
        if (r.action == QLatin1String("HISTORY"))
            DB::get()->exec("UPDATE History SET textname = 'renamed' WHERE textname = 'QA 0'");
    });
    ASSERT_TRUE(synchronize());
    server().setOnRequest({});
    // The unsent local edit wins over the server's value and stays marked.
    EXPECT_EQ(one("SELECT value || '/' || isupdate FROM Preferences WHERE name = 'Foo'"), "edited/1");
    EXPECT_EQ(one("SELECT issynchron FROM DisplayInfo WHERE name = 'Location'"), "0");
    EXPECT_EQ(one("SELECT STISSYNCHRON FROM DisplayStatistic"), "0");
    // Two batches; the renamed record was not sent again within the run.
    EXPECT_EQ(server().count("HISTORY"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 1);

    server().clearReceived();
    server().setReply("PREFERENCES", {});
    ASSERT_TRUE(synchronize());
    EXPECT_EQ(historyNamesReceived(), QStringList{"renamed"});
    bool sentEdit = false;
    for (const MgmtServer::Received& r : server().received()) {
        if (r.action == QLatin1String("PREFERENCES"))
            sentEdit = r.data.toObject()
                           .value("preferences")
                           .toArray()
                           .contains(QJsonObject{{"name", "Foo"}, {"value", "edited"}});
    }
    EXPECT_TRUE(sentEdit);
    EXPECT_EQ(one("SELECT value || '/' || isupdate FROM Preferences WHERE name = 'Foo'"), "edited/0");
    EXPECT_EQ(one("SELECT value || '/' || issynchron FROM DisplayInfo WHERE name = 'Location'"), "Room 5/1");
    EXPECT_EQ(one("SELECT STISSYNCHRON FROM DisplayStatistic"), "1");
}

// Step times: a time set here and not sent yet outlives the server's due dates until it went up;
// then the server's times (of each of the three QA synchronisers) are taken.
TEST_F(SyncRun, AStepTimeSetHereIsSentBeforeTheServersTimesReplaceIt)
{
    seedWorkstation();
    serverAnswers();
    // Step 11 switched off here; the exchange that would carry it is refused.
    exec("INSERT INTO QATasksTime (stepid, dispid, time, issynchron) VALUES (11, ?, -1, 0)", {m_display});
    server().setFault("TASKQATIME", {"status", 5, 1});
    server().setReply(
        "QASTEPS",
        {{"data", QJsonArray{QJsonObject{{"displayId", m_display}, {"stepId", 11}, {"nextTime", 6000}},
                             QJsonObject{{"displayId", m_display}, {"stepId", 12}, {"nextTime", 6000}}}}});
    EXPECT_FALSE(synchronize());
    const QString steps = "SELECT group_concat(stepid || ':' || time || ':' || issynchron) FROM "
                          "(SELECT * FROM QATasksTime WHERE dispid = ? ORDER BY stepid)";
    EXPECT_EQ(one(steps, {m_display}), "11:-1:0,12:6000:1");

    server().clearReceived();
    server().setReply("TASKQATIME",
                      {{"time", QJsonArray{QJsonObject{{"taskkey", "K1"}, {"nexttime", 7000}}}}});
    server().setReply("QATASKS", {});
    server().setReply(
        "QASTEPS",
        {{"data", QJsonArray{QJsonObject{{"displayId", m_display}, {"stepId", 12}, {"nextTime", "8000"}}}}});
    ASSERT_TRUE(synchronize());
    QJsonArray sent;
    for (const MgmtServer::Received& r : server().received()) {
        QJsonObject document;
        if (r.action == QLatin1String("TASKQATIME") && SyncXml::toJson(r.data.toString(), &document, nullptr))
            sent = BaseSynchronizer::toList(document.value("data"));
    }
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(BaseSynchronizer::toInt(sent[0].toObject().value("stepid")), 11);
    EXPECT_EQ(BaseSynchronizer::toInt(sent[0].toObject().value("time")), -1);
    EXPECT_EQ(one(steps, {m_display}), "11:7000:1,12:8000:1");
    EXPECT_EQ(one("SELECT nextdate FROM QASchedulingGroups WHERE TaskKey = 'K1'"), "8000");
}

// Every exchange refused (under both protocols): no table loses a mark and no reply is applied; the
// next run takes every row up exactly once.
class SyncRefused : public SyncRun, public ::testing::WithParamInterface<std::pair<const char*, const char*>>
{
};

TEST_P(SyncRefused, KeepsTheMarksOfEveryTableAndTheNextRunSendsEachRowOnce)
{
    const auto [version, kind] = GetParam();
    server().setVersionReply(version);
    seedWorkstation();
    serverAnswers();
    exec("INSERT INTO QATasksTime (stepid, dispid, time, issynchron) VALUES (12, ?, 3000, 0)", {m_display});
    // A server task deleted here: gone only once the server has heard of it.
    exec("INSERT INTO UserScheduling (servertask_id, displayid, tasktype_id, issynchron, IsDelete) VALUES "
         "(5, ?, "
         "'cal', 0, 1)",
         {m_display});
    const auto before = Synchronization::pendingCounts();
    for (const QString& action : kProtocol2Actions)
        server().setFault(action, {kind, 5, -1});
    SynchronizationReport report;
    EXPECT_FALSE(synchronize(&report));
    EXPECT_FALSE(report.synchronizers.isEmpty());
    EXPECT_EQ(Synchronization::pendingCounts(), before);
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserScheduling"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Preferences WHERE name = 'MinAmbientLux'"), 0);
    EXPECT_EQ(one("SELECT isactive FROM Displays WHERE displayid = ?", {m_inactive}), "0");

    server().clearFaults();
    server().clearReceived();
    ASSERT_TRUE(synchronize(&report)) << report.error.toStdString();
    const QStringList names = historyNamesReceived();
    EXPECT_EQ(names.size(), 5);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 5);
    EXPECT_EQ(count("SELECT COUNT(*) FROM UserScheduling WHERE servertask_id = 5"), 0);
    for (const auto& [table, pending] : Synchronization::pendingCounts()) {
        // The display inactive when the displays went up is sent by the next run.
        EXPECT_EQ(pending, table == QLatin1String("Displays") ? 1 : 0) << table.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SyncRefused,
                         ::testing::Values(std::pair{"2", "status"}, std::pair{"2", "http500"},
                                           std::pair{"2", "malformed"}, std::pair{"1", "malformed"},
                                           std::pair{"1", "status"}));

// Everything goes through the configured proxy, the version query first; with the proxy gone the
// run ends before anything is sent, never around it.
TEST_F(SyncRun, AProxyCarriesTheWholeRunAndWithoutItNothingIsSent)
{
    addHistory(addDisplay("SN-1", true), 2);
    ConnectProxy proxy;
    m_settings.useProxy = true;
    m_settings.proxyHost = "127.0.0.1";
    m_settings.proxyPort = QString::number(proxy.port());
    SynchronizationReport report;
    ASSERT_TRUE(synchronize(&report)) << report.error.toStdString();
    EXPECT_FALSE(proxy.targets.isEmpty());
    for (const QString& target : proxy.targets)
        EXPECT_EQ(target, QStringLiteral("127.0.0.1:%1").arg(m_host->port()));
    EXPECT_EQ(historyNamesReceived().size(), 2);

    proxy.close();
    addHistory(addDisplay("SN-2", true), 1);
    const int requests = server().requestCount();
    EXPECT_FALSE(synchronize(&report));
    EXPECT_TRUE(report.error.contains("version")) << report.error.toStdString();
    EXPECT_EQ(server().requestCount(), requests);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 1);
}
