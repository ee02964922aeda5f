// lutloaderctl sensor, run as a separate program on a simulated workstation whose serial
// port 4 is one end of a pty pair with a simulated lux meter on the other.
#include "tests/sensors/PtyPair.h"
#include "tests/sensors/SensorWorkstation.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"
#include "tools/siminstrument/SimSerialInstrument.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

class SensorCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(m_pty.start(&error)) << error.toStdString();
        ASSERT_TRUE(m_instrument.start(m_pty.instrumentEnd(), &error)) << error.toStdString();
        m_workstation = TestPaths::freshFolder(QStringLiteral("ctl-ws")) + QStringLiteral("/ws.json");
        QFile file(m_workstation);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral(R"({"name": "Bench", "serialPorts": {"4": "%1"}})").arg(m_pty.hostEnd()).toUtf8());
    }

    ProgramRun ctl(const QStringList& arguments) const
    {
        return ProgramRun::ctl(QStringList{"--platform", "sim", "--workstation", m_workstation, "--json"} +
                               arguments);
    }

    PtyPair m_pty;
    SimSerialInstrument m_instrument;
    QString m_workstation;
};

} // namespace

TEST_F(SensorCommandTest, SerialMeterIsListedDescribedAndMeasures)
{
    const ProgramRun list = ctl({"sensor", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QJsonArray sensors = list.json().value("sensors").toArray();
    ASSERT_EQ(sensors.size(), 1) << list.out.toStdString();
    const QJsonObject meter = sensors.at(0).toObject();
    EXPECT_EQ(meter.value("class").toString(), "LxPlusSerial");
    EXPECT_EQ(meter.value("serial").toString(), "LX0042");
    const QString id = meter.value("id").toString();

    const ProgramRun info = ctl({"sensor", "info", id});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_EQ(info.json().value("model").toString(), "LX-2 Sim");
    EXPECT_FALSE(info.json().value("color").toBool());
    EXPECT_TRUE(info.json().value("lux").toBool());
    EXPECT_EQ(ctl({"sensor", "info", "nothing"}).exitCode, 1);

    m_instrument.setLight({180.25, 12.5});
    const ProgramRun measure = ctl({"sensor", "measure", id, "--count", "2"});
    ASSERT_EQ(measure.exitCode, 0) << measure.err.toStdString();
    const QJsonArray readings = measure.json().value("readings").toArray();
    ASSERT_EQ(readings.size(), 2) << measure.out.toStdString();
    for (const QJsonValue& reading : readings) {
        EXPECT_DOUBLE_EQ(reading.toObject().value("Y").toDouble(), 180.25);
        EXPECT_DOUBLE_EQ(reading.toObject().value("lux").toDouble(), 12.5);
    }

    // A meter without a value fails the measurement with a message.
    m_instrument.setMeasurementReply("ERR");
    const ProgramRun failed = ctl({"sensor", "measure"});
    EXPECT_EQ(failed.exitCode, 1) << failed.out.toStdString();
    EXPECT_EQ(failed.json().value("error").toString(), "measurement 1 failed") << failed.out.toStdString();
}

// The built-in sensor of DP-1 sees 5 lux in the room; with its panel showing white it reads
// the display, and its room reading comes out in lux like the ambient light task's.
TEST_F(SensorCommandTest, BuiltInSensorGivesTheRoomInLuxAndThenThePanelAgain)
{
    ASSERT_TRUE(SensorWorkstation::install());
    const QString workstation = SensorWorkstation::file();
    SensorWorkstation::uninstall();
    const ProgramRun measure = ProgramRun::ctl({"--platform", "sim", "--workstation", workstation, "--json",
                                                "sensor", "measure", "INT71004521", "--count", "2"});
    ASSERT_EQ(measure.exitCode, 0) << measure.err.toStdString();
    const QJsonArray readings = measure.json().value("readings").toArray();
    ASSERT_EQ(readings.size(), 2) << measure.out.toStdString();
    for (const QJsonValue& reading : readings) {
        EXPECT_NEAR(reading.toObject().value("lux").toDouble(), 5.0, 1e-6) << measure.out.toStdString();
        EXPECT_GT(reading.toObject().value("Y").toDouble(), 1.0) << "the panel, not the room";
    }
}
