// The serial lux meter over a real pseudo-terminal pair, a simulated instrument on the far end.
#include "sensors/LxPlusSerial.h"

#include "platform/Platform.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimWorkstation.h"
#include "sensors/SensorDetector.h"
#include "sensors/SensorFactory.h"
#include "settings/GlobalData.h"
#include "settings/QSettingsWithSharing.h"
#include "tests/sensors/SerialInstrumentTest.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class LxPlusSerialTest : public SerialInstrumentTest
{
protected:
    LxPlusSerialTest() : SerialInstrumentTest(SimSerialInstrument::Protocol::LxPlus) {}
};

} // namespace

TEST_F(LxPlusSerialTest, FindsTheMeterSetsItUpAndReadsLuminanceAndLux)
{
    LxPlusSerial meter;
    ASSERT_TRUE(meter.IsConnected());
    EXPECT_EQ(meter.port(), 3);
    EXPECT_EQ(meter.vendor(), "LxPlus");
    EXPECT_EQ(meter.model(), "LX-2 Sim");
    EXPECT_EQ(meter.serial(), "LX0042");
    ASSERT_TRUE(meter.Initialize(CSensor::LCD));
    EXPECT_EQ(m_instrument.received(),
              QStringList({"*IDN?", "ECHO ON", "PHOTO:RANGE:AUTO ON", "UNIT:PHOTO CD_M2"}));

    double luminance = 0;
    ASSERT_TRUE(meter.GetLuminance(luminance));
    EXPECT_DOUBLE_EQ(luminance, 120.0);

    // A luminance-only device gives no tristimulus values and does not even ask the device.
    const qsizetype asked = m_instrument.received().size();
    double xyz[3] = {};
    EXPECT_FALSE(meter.GetXYZ(xyz));
    EXPECT_EQ(m_instrument.received().size(), asked);

    // Lux is read in the lux unit, and the next display reading is in cd/m² again.
    m_instrument.setLight({250.5, 42.25});
    double lux = 0;
    ASSERT_TRUE(meter.getAmbientLuminanceLux(lux));
    EXPECT_DOUBLE_EQ(lux, 42.25);
    ASSERT_TRUE(meter.GetLuminance(luminance));
    EXPECT_DOUBLE_EQ(luminance, 250.5);
    EXPECT_EQ(m_instrument.received().mid(asked, 3),
              QStringList({"UNIT:PHOTO LX", "MEASURE:PHOTO?", "UNIT:PHOTO CD_M2"}));

    // A value followed by its unit is read; one the meter cannot give fails the measurement.
    m_instrument.setMeasurementReply("88.5 CD_M2");
    ASSERT_TRUE(meter.GetLuminance(luminance));
    EXPECT_DOUBLE_EQ(luminance, 88.5);
    for (const QByteArray reply : {"OVERRANGE", "-3.0", "nan"}) {
        m_instrument.setMeasurementReply(reply);
        EXPECT_FALSE(meter.GetLuminance(luminance)) << reply.constData();
    }
    EXPECT_TRUE(meter.IsConnected());
}

TEST_F(LxPlusSerialTest, DevicesThatDoNotAnswerAsAMeterAreNotTaken)
{
    m_instrument.setSilent(true);
    LxPlusSerial silent;
    EXPECT_FALSE(silent.IsConnected());
    QString problem;
    EXPECT_FALSE(silent.hasConnectionProblems(problem)) << problem.toStdString();

    m_instrument.setSilent(false);
    m_instrument.setIdentity("READY");
    LxPlusSerial other;
    EXPECT_FALSE(other.IsConnected());

    // A port another program holds is a connection problem the detector passes on; a listed
    // port that is gone is none.
    m_instrument.setIdentity("LxPlus,LX-2 Sim,LX0042,1.07");
    LxPlusSerial holder(3);
    ASSERT_TRUE(holder.IsConnected());
    LxPlusSerial second(3);
    EXPECT_FALSE(second.IsConnected());
    EXPECT_TRUE(second.hasConnectionProblems(problem));
    EXPECT_TRUE(problem.contains("host")) << problem.toStdString();
    LxPlusSerial missing(1);
    EXPECT_FALSE(missing.IsConnected());
    EXPECT_FALSE(missing.hasConnectionProblems(problem)) << problem.toStdString();
}

TEST_F(LxPlusSerialTest, ASearchListsThePortsOnceHoweverManyThereAre)
{
    // Eight ports without a device before the meter, which keeps the number it is listed with.
    const QString gone = TestPaths::freshFolder(QStringLiteral("gone-ports"));
    QStringList ports;
    for (int port = 0; port < 8; ++port)
        ports << QStringLiteral(R"("%1": "%2/tty%1")").arg(port).arg(gone);
    ports << QStringLiteral(R"("11": "%1")").arg(m_pty.hostEnd());
    QString error;
    ASSERT_TRUE(TestWorkstation::select(
        TestPaths::freshFolder(QStringLiteral("ws-many")) + QStringLiteral("/ws.json"),
        QStringLiteral(R"({"name": "Bench", "serialPorts": {%1}})").arg(ports.join(", ")).toUtf8(), &error))
        << error.toStdString();
    const auto* sim = dynamic_cast<const SimBackend*>(&Platform::backend());
    ASSERT_TRUE(sim);
    const SimWorkstation& workstation = sim->workstation();

    const int before = workstation.serialPortListings();
    LxPlusSerial meter;
    ASSERT_TRUE(meter.IsConnected());
    EXPECT_EQ(meter.port(), 11);
    EXPECT_EQ(workstation.serialPortListings() - before, 1);
}

TEST_F(LxPlusSerialTest, UnplugInTheMiddleOfAMeasurementFailsItAndDisconnects)
{
    LxPlusSerial meter(3);
    ASSERT_TRUE(meter.IsConnected());
    ASSERT_TRUE(meter.Initialize(CSensor::LCD));
    m_instrument.setMeasurementHook([this] { m_pty.unplugFromAnyThread(); });
    double luminance = 0;
    EXPECT_FALSE(meter.GetLuminance(luminance));
    EXPECT_FALSE(meter.IsConnected());
    EXPECT_FALSE(meter.DoMeasure());
}

TEST_F(LxPlusSerialTest, DetectionFindsTheMeterBehindTheMakersSensorsAndRemembersIt)
{
    SensorFactory::registerAll();
    GlobalData::instance().SetValue<QString>(QStringLiteral("DisableNonKaldoSensors"),
                                             QStringLiteral("true"));
    EXPECT_FALSE(SensorDetector::noCacheDetect(SENSORTYPE_EMISSIVE, CONNIFACE_USB, -1, false, false));

    GlobalData::instance().SetValue<QString>(QStringLiteral("DisableNonKaldoSensors"),
                                             QStringLiteral("false"));
    const std::shared_ptr<CSensor> sensor = SensorDetector::detect(CONNIFACE_USB, -1, true);
    ASSERT_TRUE(sensor);
    EXPECT_STREQ(sensor->metaObject()->className(), "LxPlusSerial");
    EXPECT_EQ(sensor->GetSensorManufacturerID(), SENSOR_LXPLUS);
    const QSettingsWithSharing shared(QSettings::IniFormat, QSettings::SystemScope,
                                      QCoreApplication::organizationName(),
                                      QCoreApplication::applicationName());
    EXPECT_EQ(shared.value(QStringLiteral("sensor_number")).toInt(), 12);
    // Detection initialised it: it measures at once.
    double luminance = 0;
    ASSERT_TRUE(sensor->GetLuminance(luminance));
    EXPECT_DOUBLE_EQ(luminance, 120.0);
}
