// The agent on the simulated workstation, from start to a session unlock: the first
// loads, the reload after the unlock through the task runner and the tray, and the
// "LutLoadEnd" messages that reach the stand-in main application.
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "tests/app/tray/AgentHarness.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

using H = AgentHarness;

QString writeWorkstation()
{
    return H::writeWorkstation("tray-e2e", "Unlock road",
                               {{"DP-1", "card0", 0x201}, {"DP-2", "card1", 0x202}});
}

// Registers the displays in the agent's database as the agent will, with a stored table
// and the mark that the table was loaded when the agent last ran.
QList<int> prepareDatabase(const QString& workstation)
{
    return H::prepareDatabase(workstation, [](const QList<int>& ids) {
        for (const int id : ids)
            H::storeLoadedLut(id, 200);
    });
}

TEST(TrayEndToEnd, UnlockReloadsEveryDisplayOnceAndTellsTheMainApplication)
{
    const QString workstation = writeWorkstation();
    const QList<int> ids = prepareDatabase(workstation);
    ASSERT_EQ(ids.size(), 2);
    QFile::remove(H::logPath());

    QProcess agent;
    agent.start(TestPaths::agentProgram(), {"--workstation", workstation, "--run-seconds", "240"});
    ASSERT_TRUE(agent.waitForStarted());
    const auto finishes = [] {
        return H::readLog().count("LUTLoaderTray::slotFinishLoadLut. lutLoadingCount_");
    };
    ASSERT_TRUE(H::waitFor([&] { return finishes() == 2; })) << "first loads";
    ASSERT_TRUE(H::waitFor([] { return H::readLog().contains("SimControlServer listening"); }));

    QProcess standIn;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_STANDIN_HUB", "-");
    environment.insert("LUTLOADER_STANDIN_SECONDS", "200");
    standIn.setProcessEnvironment(environment);
    standIn.start(TestPaths::toolProgram("mainapp_standin"), {});
    ASSERT_TRUE(standIn.waitForStarted());
    QByteArray said;
    ASSERT_TRUE(H::waitFor([&] {
        said += standIn.readAllStandardOutput();
        return said.contains("registered kaldo_");
    }));

    const qsizetype before = H::readLog().size();
    EXPECT_EQ(H::sim({"lock"}), 0);
    EXPECT_EQ(H::sim({"unlock"}), 0);
    ASSERT_TRUE(H::waitFor([&] { return finishes() == 4; })) << "reloads after the unlock";
    ASSERT_TRUE(H::waitFor([&] {
        said += standIn.readAllStandardOutput();
        return said.count("received LutLoadEnd") == 2;
    }));

    const QByteArray road = H::readLog().mid(before);
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
    EXPECT_TRUE(H::stopAgent(agent));
}

} // namespace
