// The agent on the simulated workstation under the TG18 regulation, with history that
// leaves one group due: the notification appears, "Perform Scheduled Tasks" starts the
// main application with "runqa" and the group, and "Remind Me In" 15 minutes brings the
// notification back once the workstation's clock has moved on a quarter of an hour.
#include "db/DB.h"
#include "db/DBHistory.h"
#include "db/DBPreferences.h"
#include "db/DBQAHistory.h"
#include "db/KaldoDynamicData.h"
#include "tests/app/tray/AgentHarness.h"
#include "tests/support/TestPaths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

using H = AgentHarness;

QString writeWorkstation()
{
    return H::writeWorkstation("qa-e2e", "QA road", {{"DP-1", "card0", 0x301}});
}

// TG18 primary class in force; every check passed an hour ago except the daily overall
// evaluation, last passed two days ago: that group alone is due.
int prepareDatabase(const QString& workstation)
{
    const QList<int> ids = H::prepareDatabase(workstation, [](const QList<int>& ids) {
        EXPECT_EQ(ids.size(), 1);
        const int display = ids.value(0, -1);
        DBPreferences preferences;
        preferences.setValue("UseScheduler", "true", false);
        preferences.setValue("UsedRegulation", "AAPM", false);
        preferences.setValue("UsedClassification", "1", false);
        DBHistory history;
        DBQAHistory results;
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const qint64 recent = history.addRecord(display, "QA", 1, 2, now - 3600);
        for (const int step : {11, 12, 20, 21, 22, 30, 31, 32})
            results.addStepResult(recent, "AAPM", 1, step, 0, 2, QString(), QString(), 0, 0, false);
        const qint64 old = history.addRecord(display, "QA", 1, 2, now - 2 * 86400);
        results.addStepResult(old, "AAPM", 1, 10, 0, 2, QString(), QString(), 0, 0, false);
    });
    return ids.value(0, -1);
}

QString recorded(const QString& file)
{
    QFile record(file);
    return record.open(QIODevice::ReadOnly) ? QString::fromUtf8(record.readAll()) : QString();
}

} // namespace

TEST(QaNotificationEndToEnd, DueGroupIsOfferedStartedAndRemindedOnTheSimulatedClock)
{
    const QString workstation = writeWorkstation();
    const int display = prepareDatabase(workstation);
    ASSERT_GT(display, 0);
    QFile::remove(H::logPath());
    const QString record = TestPaths::freshFolder("qa-e2e-standin") + "/arguments.jsonl";

    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_STANDIN_RECORD", record);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    agent.setProcessEnvironment(environment);
    agent.start(TestPaths::agentProgram(), {"--workstation", workstation, "--run-seconds", "400"});
    ASSERT_TRUE(agent.waitForStarted());
    const auto offered = [] { return H::readLog().count("TaskScheduler notify about QA"); };
    const auto shown = [] { return H::readLog().count("start event loop"); };

    ASSERT_TRUE(H::waitFor([&] { return shown() == 1; }))
        << "first notification in " << qPrintable(H::logPath());
    EXPECT_EQ(offered(), 1);
    const QByteArray key =
        QCryptographicHash::hash(QByteArray::number(display) + "|10", QCryptographicHash::Md5).toHex();
    DB::setPath(TestPaths::dataDirectory());
    const auto group = DB::get()->readinfo("QASchedulingGroups", {{"TaskKey", QString::fromLatin1(key)}});
    ASSERT_FALSE(group.IsNull()) << "the daily group is planned";
    // Daily and annual visual checks, quarterly and annual measurements; the multi-display
    // chromaticity check does not apply to a single display.
    EXPECT_EQ(DB::get()->count("QASchedulingGroups"), 4);
    const qint64 due = QDateTime::currentSecsSinceEpoch();
    EXPECT_LE(group.value("nextdate").toLongLong(), due);

    ASSERT_EQ(H::sim({"click", "perform"}), 0);
    ASSERT_TRUE(H::waitFor([&] { return recorded(record).contains("runqa"); }));
    EXPECT_TRUE(recorded(record).contains(
        QStringLiteral("\"runqa\",\"%1\",\"%2\"").arg(group.value("groupid")).arg(display)))
        << qPrintable(recorded(record));

    // Nothing was run: the next pass offers the group again; this time it is put off.
    ASSERT_TRUE(H::waitFor([&] { return shown() == 2; })) << "offered again";
    ASSERT_EQ(H::sim({"click", "remind", "15"}), 0);
    ASSERT_TRUE(H::waitFor([] { return H::readLog().contains("notifyDelay_ = 900"); }));

    const auto passes = [] { return H::readLog().count("bool TaskScheduler::checkUserDatabase()"); };
    const int before = passes();
    ASSERT_EQ(H::sim({"clock", "advance", "840"}), 0);
    ASSERT_TRUE(H::waitFor([&] { return passes() >= before + 2; }));
    EXPECT_EQ(shown(), 2) << "still put off after 14 simulated minutes";
    ASSERT_EQ(H::sim({"clock", "advance", "60"}), 0);
    ASSERT_TRUE(H::waitFor([&] { return shown() == 3; })) << "back after 15 simulated minutes";

    EXPECT_TRUE(H::stopAgent(agent));
    DB::free();
}
