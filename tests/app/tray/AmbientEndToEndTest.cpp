// The agent in a reading room that is too dark: the display's built-in sensor reads 5 lux
// against an allowed 10 to 50, so the display is blocked for diagnostic work and its due
// QA is not offered; when the operator turns the light up to 20 lux while the agent runs,
// the display is released and the QA notification comes. A white-level stabilisation run
// of the main application does not keep the agent from ending.
#include "db/DB.h"
#include "db/DBDisplays.h"
#include "db/DBDisplaysAmbient.h"
#include "db/DBPreferences.h"
#include "displays/CurrentDisplays.h"
#include "displays/DisplayInfo.h"
#include "settings/DataDirectory.h"
#include "tests/app/tray/AgentHarness.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <gtest/gtest.h>

namespace {

using H = AgentHarness;

const QString kOutput = QStringLiteral("DP-1");

// The room's light is read by a sensor built into the display: a HID device whose serial
// is "INT" and the display's serial, on the display's own output.
QString writeWorkstation(const QString& displaySerial)
{
    const QString sensor = displaySerial.isEmpty()
                               ? QString()
                               : QStringLiteral(R"("ambientLux": 5, "sensors": [{"path": "/dev/hidraw4",
                                  "manufacturer": "Kaldo Ltd.", "product": "Sorvex internal", "serial": "INT%1"}])")
                                     .arg(displaySerial);
    return H::writeWorkstation("ambient-e2e", "Reading room", {{kOutput, "card0", 0x501, sensor}});
}

// A process that ended but was not reaped yet counts as gone.
bool processAlive(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close >= 0 && text.mid(close + 2, 1) != "Z";
}

} // namespace

TEST(AmbientEndToEnd, DarkRoomBlocksTheDisplayAndItsQaUntilTheLightIsTurnedUp)
{
    // Every QA group of a display without history is due today; the allowed light is 10 to 50 lux.
    int display = -1;
    QString serial;
    H::prepareDatabase(writeWorkstation(QString()), [&](const QList<int>& ids) {
        ASSERT_EQ(ids.size(), 1);
        display = ids.first();
        serial = CurrentDisplays::DisplayById(display).serial();
        DBPreferences preferences;
        preferences.setValue("UseScheduler", "true", false);
        preferences.setValue("UsedRegulation", "AAPM", false);
        preferences.setValue("UsedClassification", "1", false);
        preferences.setValue("MinAmbientLux", "10", false);
        preferences.setValue("MaxAmbientLux", "50", false);
        DBDisplays().setDisplayInfo(display, "AmbientSensor", "true", false);
    });
    ASSERT_GT(display, 0);
    ASSERT_FALSE(serial.isEmpty());
    const QString workstation = writeWorkstation(serial);
    QFile::remove(H::logPath());

    // Ten times faster: the ambient task's first run comes after half a minute, not five.
    QProcess agent;
    agent.start(TestPaths::agentProgram(),
                {"--workstation", workstation, "--clock-rate", "10", "--run-seconds", "240"});
    ASSERT_TRUE(agent.waitForStarted());
    const QString blocked =
        QStringLiteral("AmbientLightTask display %1 blocked by ambient light").arg(display);
    ASSERT_TRUE(H::waitFor([&] { return H::readLog().contains(blocked.toUtf8()); }))
        << "no blocking measurement in " << qPrintable(H::logPath());
    EXPECT_TRUE(H::readLog().contains(
        QStringLiteral("KaldoSensorHidInternal: built-in sensor of display %1").arg(display).toUtf8()));

    // Neither before the first measurement nor after it is the display's QA offered: two
    // passes look at it blocked.
    const auto passes = [] { return H::readLog().count("void TaskScheduler::checkQADatabase()"); };
    const qsizetype before = passes();
    ASSERT_TRUE(H::waitFor([&] { return passes() >= before + 2; })) << "the scheduler never looked";
    EXPECT_TRUE(H::readLog().contains(QStringLiteral("isdisplayBlockedByAmbient %1").arg(display).toUtf8()));
    EXPECT_FALSE(H::readLog().contains("TaskScheduler notify about QA"));
    EXPECT_FALSE(H::readLog().contains("start event loop"));

    // A locked session stops the five-second loop: nobody is at the display to see it. A run
    // the runner had begun just as the lock came may still end.
    ASSERT_EQ(H::sim({"lock"}), 0);
    ASSERT_TRUE(H::waitFor([] { return H::readLog().contains("slotLockLUTLoader!!!"); }));
    const qsizetype lockedPasses = passes();
    ASSERT_TRUE(H::waitFor([&] { return passes() >= lockedPasses + 2; }));
    const QByteArray whileLocked = H::readLog().mid(H::readLog().lastIndexOf("slotLockLUTLoader!!!"));
    EXPECT_LE(whileLocked.count("AmbientLightTask run()"), 1);
    ASSERT_EQ(H::sim({"unlock"}), 0);

    ASSERT_EQ(H::sim({"light", kOutput, "20"}), 0);
    const QString released = QStringLiteral("AmbientLightTask display %1 no longer blocked").arg(display);
    ASSERT_TRUE(H::waitFor([&] { return H::readLog().contains(released.toUtf8()); }));
    ASSERT_TRUE(H::waitFor([] { return H::readLog().contains("start event loop"); }))
        << "QA after the release";
    EXPECT_EQ(H::readLog().count("TaskScheduler notify about QA"), 1);

    EXPECT_TRUE(H::stopAgent(agent));

    // The readings went into the ambient history: dark ones outside the limits, then one inside.
    DB::free();
    DB::setPath(DataDirectory::path());
    const QList<DBDisplaysAmbient::Reading> readings = DBDisplaysAmbient().readings(display);
    ASSERT_GE(readings.size(), 2);
    EXPECT_NEAR(readings.first().value, 5.0, 1e-3);
    EXPECT_FALSE(readings.first().withinLimits);
    EXPECT_NEAR(readings.last().value, 20.0, 1e-3);
    EXPECT_TRUE(readings.last().withinLimits);
    EXPECT_TRUE(DBDisplays().IsAmbientSensorSupport(display))
        << "the built-in sensor counts as ambient support";
    DB::free();
}

TEST(AmbientEndToEnd, StoppingTheAgentDuringAWhiteLevelRunEndsInTime)
{
    // A display with a built-in sensor, its LUT loaded and automatic stabilisation on; the
    // room light is not watched, so the first task due is the stabilisation request.
    int display = -1;
    QString serial;
    H::prepareDatabase(writeWorkstation(QString()), [&](const QList<int>& ids) {
        ASSERT_EQ(ids.size(), 1);
        display = ids.first();
        serial = CurrentDisplays::DisplayById(display).serial();
        DBDisplays table;
        table.SetISensorSupport(display, "true");
        table.setDisplayInfo(display, "InternalSensor", "true", false);
        table.setDisplayInfo(display, "autowlstab", "true", false);
        H::storeLoadedLut(display, 200);
    });
    ASSERT_GT(display, 0);
    const QString workstation = writeWorkstation(serial);
    QFile::remove(H::logPath());
    const QString record = TestPaths::freshFolder("wl-e2e-standin") + "/arguments.jsonl";

    // The main application stays for an hour, far longer than anyone waits for an agent to end.
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUTLOADER_STANDIN_RECORD", record);
    environment.insert("LUTLOADER_STANDIN_SECONDS", "3600");
    agent.setProcessEnvironment(environment);
    agent.start(TestPaths::agentProgram(),
                {"--workstation", workstation, "--clock-rate", "10", "--run-seconds", "600"});
    ASSERT_TRUE(agent.waitForStarted());
    const auto started = [&] {
        QFile file(record);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_TRUE(H::waitFor([&] { return started().contains("whitelevelstab"); }))
        << "no stabilisation run in " << qPrintable(H::logPath());
    const pid_t mainApplication = static_cast<pid_t>(
        QJsonDocument::fromJson(started().split('\n').first()).object().value("pid").toInteger());
    ASSERT_GT(mainApplication, 0);

    EXPECT_TRUE(H::stopAgent(agent));
    // The run is said to be given up on, and the main application the agent started for it
    // does not stay behind.
    EXPECT_TRUE(H::readLog().contains(
        QStringLiteral("white-level stabilisation of display %1 abandoned").arg(display).toUtf8()))
        << qPrintable(H::logPath());
    EXPECT_TRUE(H::waitFor([&] { return !processAlive(mainApplication); }, 30000));
    if (processAlive(mainApplication))
        ::kill(mainApplication, SIGKILL);
}
