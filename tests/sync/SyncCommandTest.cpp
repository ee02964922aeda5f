#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DBTransaction.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"
#include "tests/sync/SyncFixture.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>

#include <csignal>

TEST_F(SyncAgent, SyncNowPrintsEverySynchroniserAndStatusCountsWhatIsLeft)
{
    {
        // More records than the marks of one commit: six batches, two commits.
        DBTransaction transaction;
        addHistory(addDisplay("SN-CTL", true), 1100);
    }
    const QString ca = MgmtCertificates::caFile(certificates());

    ProgramRun run = ProgramRun::ctl({"--json", "sync", "now", "--ca-file", ca});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QJsonObject answer = run.json();
    EXPECT_EQ(answer.value("version").toInt(), 2);
    const QJsonArray list = answer.value("synchronizers").toArray();
    ASSERT_EQ(list.size(), 14);
    EXPECT_EQ(list.last().toObject().value("synchronizer").toString(), "HistorySynchronizerv2");
    EXPECT_EQ(list.last().toObject().value("sent").toInt(), 1100);
    EXPECT_EQ(list.last().toObject().value("applied").toInt(), 1100);
    const QStringList names = historyNamesReceived();
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 1100);
    for (const QJsonValue& entry : list)
        EXPECT_EQ(entry.toObject().value("status").toInt(), 4)
            << entry.toObject().value("action").toString().toStdString();

    ProgramRun status = ProgramRun::ctl({"--json", "sync", "status"});
    ASSERT_EQ(status.exitCode, 0) << status.err.toStdString();
    EXPECT_EQ(status.json().value("version").toInt(), 2);
    EXPECT_TRUE(status.json().value("lastResult").toString().startsWith("ok"));
    EXPECT_GT(status.json().value("lastRun").toInteger(), 0);
    EXPECT_EQ(status.json().value("pending").toObject().value("History").toInt(), 0);

    // A run of the agent holds the lock: the command does not start a second one.
    {
        KaldoSharedMemory agent(SHARED_MEMORY_KEY_SYNCHRONIZATION, "agent", 1, true);
        server().clearReceived();
        ProgramRun busy = ProgramRun::ctl({"sync", "now", "--ca-file", ca});
        EXPECT_EQ(busy.exitCode, 1);
        EXPECT_TRUE(server().received().isEmpty());
    }

    // With remote management off nothing at all goes to the server, not even the version query.
    DBPreferences().setValue("remoteOn", "off", false);
    addHistory(addDisplay("SN-OFF", true), 1);
    const int requests = server().requestCount();
    ProgramRun off = ProgramRun::ctl({"sync", "now", "--ca-file", ca});
    EXPECT_EQ(off.exitCode, 1);
    EXPECT_TRUE(off.err.contains("remoteOn")) << off.err.toStdString();
    EXPECT_EQ(server().requestCount(), requests);
}

TEST_F(SyncAgent, AKilledRunLeavesEveryUnsentRowMarkedAndTheNextRunSendsThemOnce)
{
    addHistory(addDisplay("SN-KILL", true), 3);
    const QString ca = MgmtCertificates::caFile(certificates());
    server().setFault("HISTORY", {"hang", 0, -1});
    const ProgramRun killed = ProgramRun::ctl({"sync", "now", "--ca-file", ca}, {}, 8000);
    EXPECT_EQ(killed.exitCode, -1);
    EXPECT_GE(server().count("HISTORY"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 3);

    server().clearFaults();
    server().clearReceived();
    const ProgramRun run = ProgramRun::ctl({"sync", "now", "--ca-file", ca});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(historyNamesReceived().size(), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM History WHERE issynchron = 0"), 0);
}

// The agent program on a sped-up task clock: its task synchronises once due, and again each time
// the interval has passed, while the agent keeps running.
TEST_F(SyncAgent, TheRunningAgentSynchronisesOnItsInterval)
{
    addHistory(addDisplay("SN-RUN", true), 2);
    DBPreferences preferences;
    preferences.setValue("DataBaseSynchronizationInterval", "5", false);
    preferences.setValue("DataBaseSynchronizationInterval_LastTime", "0", false);
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_CA_FILE", MgmtCertificates::caFile(certificates()));
    agent.setProcessEnvironment(environment);
    agent.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Five task-clock minutes in a second.
    agent.start(TestPaths::agentProgram(),
                {"--platform", "sim", "--clock-rate", "300", "--run-seconds", "120"});
    ASSERT_TRUE(agent.waitForStarted());
    EXPECT_TRUE(waitFor([&] { return historyNamesReceived().size() == 2; }, 60000));
    addHistory(addDisplay("SN-RUN-2", true), 1);
    EXPECT_TRUE(waitFor([&] { return historyNamesReceived().size() == 3; }, 60000));
    // The marks are cleared once the reply is in.
    EXPECT_TRUE(
        waitFor([&] { return count("SELECT COUNT(*) FROM History WHERE issynchron = 0") == 0; }, 60000));
    EXPECT_EQ(agent.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    EXPECT_TRUE(agent.waitForFinished(60000));
}
