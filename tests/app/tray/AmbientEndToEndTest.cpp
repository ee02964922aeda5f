// The agent in a reading room that is too dark: the display's built-in sensor reads 5 lux
// against an allowed 10 to 50, so the display is blocked for diagnostic work and its due
// QA is not offered; when the operator turns the light up to 20 lux while the agent runs,
// the display is released and the QA notification comes.
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
#include <QProcess>

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
