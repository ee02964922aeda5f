// The agent on the simulated workstation, from start to a session unlock: the first
// loads, the reload after the unlock through the task runner and the tray, and the
// "LutLoadEnd" messages that reach the stand-in main application.
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/DBUtils.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "settings/DataDirectory.h"
#include "tests/lut/load/LutLoadFixture.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray readLog()
{
    QFile file(TestPaths::dataDirectory() + "/logb.qlog");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The bound only keeps a broken agent from hanging the test.
bool waitFor(const std::function<bool()>& done, int boundMs = 120000)
{
    const QDeadlineTimer bound(boundMs);
    while (!done() && !bound.hasExpired())
        QTest::qWait(50);
    return done();
}

int ctl(const QStringList& args)
{
    QProcess process;
    process.start(TestPaths::ctlProgram(), args);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode()
                                                                                          : -1;
}

QString writeWorkstation()
{
    const auto display = [](const char* output, const char* card, int code) {
        return QStringLiteral(R"({"output": "%1", "card": "%2", "rect": [0, 0, 1920, 1200], "edid": "%3"})")
            .arg(QLatin1String(output), QLatin1String(card),
                 QString::fromLatin1(LutLoadFixture::displayEdid(code, QLatin1String(output)).toHex()));
    };
    const QString json = QStringLiteral(R"({"name": "Unlock road",
      "videoCards": [{"id": "card0", "name": "Sim card A", "rampSize": 256},
                     {"id": "card1", "name": "Sim card B", "rampSize": 256}],
      "displays": [%1, %2]})")
                             .arg(display("DP-1", "card0", 0x201), display("DP-2", "card1", 0x202));
    const QString path = TestPaths::freshFolder("tray-e2e") + "/workstation.json";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(json.toUtf8());
    return path;
}

// Registers the displays in the agent's database as the agent will, with a stored table
// and the mark that the table was loaded when the agent last ran.
QList<int> prepareDatabase(const QString& workstation)
{
    QString error;
    EXPECT_TRUE(TestWorkstation::select(workstation, &error)) << qPrintable(error);
    QFile::remove(TestPaths::dataDirectory() + "/Storage.db");
    DB::free();
    DB::setPath(DataDirectory::path());
    EXPECT_TRUE(DB::get()->IsOpened());
    EXPECT_TRUE(Schema::checkAll(*DB::get()));
    CurrentDisplays::NonCachedRefresh();
    const QList<int> ids = DBUtils::RefreshDisplaysInfo();
    for (const int id : ids) {
        DBDisplayCurrentLUT::Channels channels;
        for (int c = 0; c < 3; ++c) {
            std::vector<int> channel;
            for (int i = 0; i < 256; ++i)
                channel.push_back(i * (200 + 10 * c));
            channels.push_back(channel);
        }
        EXPECT_GE(DBDisplayCurrentLUT().storeLUT(id, 2, 0, channels), 0);
        DBDisplays().setDisplayInfo(id, "lutupload", "true", false);
    }
    DB::free();
    Platform::reset();
    return ids;
}

TEST(TrayEndToEnd, UnlockReloadsEveryDisplayOnceAndTellsTheMainApplication)
{
    const QString workstation = writeWorkstation();
    const QList<int> ids = prepareDatabase(workstation);
    ASSERT_EQ(ids.size(), 2);
    QFile::remove(TestPaths::dataDirectory() + "/logb.qlog");

    QProcess agent;
    agent.start(TestPaths::agentProgram(), {"--workstation", workstation, "--run-seconds", "240"});
    ASSERT_TRUE(agent.waitForStarted());
    const auto finishes = [] {
        return readLog().count("LUTLoaderTray::slotFinishLoadLut. lutLoadingCount_");
    };
    ASSERT_TRUE(waitFor([&] { return finishes() == 2; })) << "first loads";
    ASSERT_TRUE(waitFor([] { return readLog().contains("SimControlServer listening"); }));

    QProcess standIn;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_STANDIN_HUB", "-");
    environment.insert("LUTLOADER_STANDIN_SECONDS", "200");
    standIn.setProcessEnvironment(environment);
    standIn.start(TestPaths::toolProgram("mainapp_standin"), {});
    ASSERT_TRUE(standIn.waitForStarted());
    QByteArray said;
    ASSERT_TRUE(waitFor([&] {
        said += standIn.readAllStandardOutput();
        return said.contains("registered kaldo_");
    }));

    const qsizetype before = readLog().size();
    EXPECT_EQ(ctl({"--platform", "sim", "sim", "lock"}), 0);
    EXPECT_EQ(ctl({"--platform", "sim", "sim", "unlock"}), 0);
    ASSERT_TRUE(waitFor([&] { return finishes() == 4; })) << "reloads after the unlock";
    ASSERT_TRUE(waitFor([&] {
        said += standIn.readAllStandardOutput();
        return said.count("received LutLoadEnd") == 2;
    }));

    const QByteArray road = readLog().mid(before);
    // The seven steps: the listener's unlock, the runner's one-shot task, the tray's rebuilt
    // menu answering it, the forced loads under the lock, the thread's load, and its end.
    const QList<QByteArray> steps{"Emit signal UnLock!",
                                  "slotUnLockLUTLoader!!!",
                                  "task started Update all LUTs after system unlock",
                                  "UpdateLUTsAfterUnlockTask::run()",
                                  "LUTLoaderTray::slotReloadAllLUTs()",
                                  "force LUT uploading for displayid:",
                                  "LUTLoaderTray::refreshContextMenu() end",
                                  "LUTLoaderTray::loadLUT after shared",
                                  "LUTLoadingThread::loadLUT() display=",
                                  "LUTLoaderTray::slotFinishLoadLut"};
    qsizetype at = 0;
    for (const QByteArray& step : steps) {
        const qsizetype found = road.indexOf(step, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << step.constData();
        at = found;
    }
    // The answered task ends, and the runner names the next one.
    const qsizetype answered = road.indexOf("LUTLoaderTray::refreshContextMenu() end");
    EXPECT_GT(road.indexOf("task ended", answered), answered);
    EXPECT_GT(road.indexOf("Next Task - ", answered), answered);
    EXPECT_EQ(road.count("LUTLoadingThread::loadLUT() display="), 2);
    for (const int id : ids)
        EXPECT_EQ(said.count("received LutLoadEnd " + QByteArray::number(id) + " "), 1) << said.constData();

    KaldoSharedMemory probe(SHARED_MEMORY_KEY_LUT, "TrayEndToEnd", 1);
    EXPECT_FALSE(probe.IsLocked());

    standIn.kill();
    standIn.waitForFinished();
    ::kill(static_cast<pid_t>(agent.processId()), SIGTERM);
    ASSERT_TRUE(agent.waitForFinished(60000));
    EXPECT_EQ(agent.exitCode(), 0);
    const QByteArray err = agent.readAllStandardError();
    EXPECT_FALSE(err.contains("AddressSanitizer") || err.contains("runtime error"));
}

} // namespace
