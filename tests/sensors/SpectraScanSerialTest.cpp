// The serial spectroradiometer over a real pseudo-terminal pair, a simulated device on the far end.
#include "sensors/CSpectraScanSensor.h"
#include "sensors/SensorDetector.h"
#include "sensors/SensorFactory.h"
#include "tests/sensors/SerialInstrumentTest.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

namespace {

class SpectraScanSerialTest : public SerialInstrumentTest
{
protected:
    SpectraScanSerialTest() : SerialInstrumentTest(SimSerialInstrument::Protocol::SpectraScan) {}
};

} // namespace

TEST_F(SpectraScanSerialTest, MeasuresInRemoteModeAndGivesTheKeypadBack)
{
    {
        CSpectraScanSensor device;
        ASSERT_TRUE(device.IsConnected());
        EXPECT_EQ(device.port(), 3);
        EXPECT_EQ(device.model(), "PR-655 Sim");
        EXPECT_EQ(device.serial(), "SS0655");
        ASSERT_TRUE(device.Initialize(CSensor::LCD));

        // Luminance and chromaticity become tristimulus values.
        m_instrument.setLight({100.0, 0.0, 0.3127, 0.3290});
        double xyz[3] = {};
        ASSERT_TRUE(device.GetXYZ(xyz));
        EXPECT_NEAR(xyz[0], 95.046, 1e-3);
        EXPECT_NEAR(xyz[1], 100.0, 1e-3);
        EXPECT_NEAR(xyz[2], 108.906, 1e-3);

        // Foot-lamberts are read as such.
        m_instrument.setMeasurementReply("0000,0,10.0,0.3127,0.3290");
        double luminance = 0;
        ASSERT_TRUE(device.GetLuminance(luminance));
        EXPECT_NEAR(luminance, 34.262591, 1e-6);

        // An error code or values no light can have fail the measurement, not the connection.
        for (const QByteArray reply : {"0019", "0000,1,5.0,0.3127,0.0", "0000,1,-1,0.3127,0.3290",
                                       "0000,2,5,0.3127,0.3290", "0000,1,5,0.8,0.4", "0000,1,abc,0.3,0.3"}) {
            m_instrument.setMeasurementReply(reply);
            EXPECT_FALSE(device.GetLuminance(luminance)) << reply.constData();
        }
        EXPECT_TRUE(device.IsConnected());
    }
    const QStringList received = m_instrument.received();
    EXPECT_EQ(received.mid(0, 2), QStringList({"PHOTO", "D110"}));
    EXPECT_EQ(received.last(), "Q");
}

TEST_F(SpectraScanSerialTest, SerialDetectionTakesOnlyThisDeviceAndLosesItWithTheCable)
{
    m_instrument.setSilent(true);
    CSpectraScanSensor silent;
    EXPECT_FALSE(silent.IsConnected());

    // A lux meter on the line is no spectroradiometer.
    m_instrument.stop();
    SimSerialInstrument meter;
    QString error;
    ASSERT_TRUE(meter.start(m_pty.instrumentEnd(), &error)) << error.toStdString();
    CSpectraScanSensor other;
    EXPECT_FALSE(other.IsConnected());
    meter.stop();

    ASSERT_TRUE(m_instrument.start(m_pty.instrumentEnd(), &error)) << error.toStdString();
    m_instrument.setSilent(false);
    SensorFactory::registerAll();
    const std::shared_ptr<CSensor> sensor = SensorDetector::detect(3);
    ASSERT_TRUE(sensor);
    EXPECT_STREQ(sensor->metaObject()->className(), "CSpectraScanSensor");
    EXPECT_EQ(sensor->ConnectionInterface(), CONNIFACE_SERIAL);
    double luminance = 0;
    ASSERT_TRUE(sensor->GetLuminance(luminance));
    EXPECT_DOUBLE_EQ(luminance, 120.0);

    m_instrument.setMeasurementHook([this] { m_pty.unplugFromAnyThread(); });
    EXPECT_FALSE(sensor->GetLuminance(luminance));
    EXPECT_FALSE(sensor->IsConnected());
}
