#include "sensors/KaldoSensorHID.h"

#include "displays/CurrentDisplays.h"
#include "platform/GammaRamps.h"
#include "platform/Platform.h"
#include "platform/PlatformBackend.h"
#include "platform/sim/SimWorkstation.h"
#include "sensors/KaldoSensorHidInternal.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/sensors/SensorWorkstation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class KaldoSensorHidTest : public ::testing::Test
{
protected:
    void TearDown() override { SensorWorkstation::uninstall(); }
};

double expectedLuminance(double level)
{
    return 0.4 + (400.0 - 0.4) * std::pow(level, 2.2);
}

} // namespace

TEST_F(KaldoSensorHidTest, ConnectTakesOnlyTheMakersSensorsAndHonoursTheRequest)
{
    ASSERT_TRUE(SensorWorkstation::install());
    KaldoSensorHID any;
    ASSERT_TRUE(any.IsConnected());
    // The handheld one comes first; the keyboard and built-in sensors are never taken unasked.
    EXPECT_EQ(any.deviceInfo().serialNumber, "SV1");

    KaldoSensorHID bySerial(QStringLiteral("fs100"));
    ASSERT_TRUE(bySerial.IsConnected());
    EXPECT_EQ(bySerial.deviceInfo().path, "/dev/hidraw3");
    KaldoSensorHID byPath(QStringLiteral("/DEV/HIDRAW4"));
    ASSERT_TRUE(byPath.IsConnected());
    EXPECT_EQ(byPath.deviceInfo().serialNumber, "INT71004521");
    KaldoSensorHID builtIn(QStringLiteral("INT"));
    ASSERT_TRUE(builtIn.IsConnected());
    EXPECT_EQ(builtIn.deviceInfo().serialNumber, "INT71004521");

    EXPECT_FALSE(KaldoSensorHID(QStringLiteral("KB")).IsConnected());
    EXPECT_FALSE(KaldoSensorHID(QStringLiteral("nope")).IsConnected());

    // Identity with the names the device stores normalised, and its fall-backs.
    EXPECT_EQ(bySerial.vendor(), "Kaldo Ltd.");
    EXPECT_EQ(bySerial.model(), "Sorvex");
    EXPECT_EQ(bySerial.serial(), "FS100");
    EXPECT_EQ(any.serial(), "SV1");
    EXPECT_EQ(any.getFwVersion(), "1.4.2");
    unsigned a = 0, b = 0, c = 0;
    EXPECT_TRUE(any.getSensorInfo(a, b, c));
    EXPECT_EQ(c, 4096u);
}

TEST_F(KaldoSensorHidTest, ReplyParsing)
{
    QStringList tokens;
    ASSERT_TRUE(KaldoSensorHID::parseReply(QStringLiteral("getxyz 120.5  130.25 140"),
                                           QStringLiteral("getxyz"), tokens));
    EXPECT_EQ(tokens, (QStringList{"120.5", "130.25", "140"}));
    EXPECT_FALSE(KaldoSensorHID::parseReply(QStringLiteral("getmodel 120.5 130.25 140"),
                                            QStringLiteral("getxyz"), tokens));
    EXPECT_FALSE(KaldoSensorHID::parseReply(QStringLiteral("  "), QStringLiteral("getxyz"), tokens));
    // The echo is the command word, not the whole command line.
    EXPECT_TRUE(
        KaldoSensorHID::parseReply(QStringLiteral("selectcal"), QStringLiteral("selectcal 1 2"), tokens));
    EXPECT_TRUE(tokens.isEmpty());
}

TEST_F(KaldoSensorHidTest, MeasurementFollowsThePanelThroughTheCardsRamp)
{
    ASSERT_TRUE(SensorWorkstation::install());
    KaldoSensorHID sensor(QStringLiteral("FS100"));
    ASSERT_TRUE(sensor.IsConnected());
    double xyz[3] = {};
    ASSERT_TRUE(sensor.GetXYZ(xyz));
    EXPECT_NEAR(xyz[1], 400.0, 0.01);
    // D65 white.
    EXPECT_NEAR(xyz[0] / (xyz[0] + xyz[1] + xyz[2]), 0.3127, 0.001);

    Platform::workstation()->setShownPatch(QStringLiteral("DP-1"), {0.5, 0.5, 0.5});
    double y = 0;
    ASSERT_TRUE(sensor.GetLuminance(y));
    EXPECT_NEAR(y, expectedLuminance(0.5), 0.01);

    // A ramp that halves every level makes white as dark as mid grey was.
    auto device = Platform::backend().gammaRamps().open(QStringLiteral("DP-1"));
    ASSERT_TRUE(device);
    GammaRamp ramp;
    for (auto& channel : ramp) {
        for (int i = 0; i < device->rampSize(); ++i)
            channel.push_back(static_cast<std::uint16_t>(i * 65535 / (device->rampSize() - 1) / 2));
    }
    ASSERT_TRUE(device->write(ramp));
    Platform::workstation()->setShownPatch(QStringLiteral("DP-1"), {1.0, 1.0, 1.0});
    ASSERT_TRUE(sensor.GetLuminance(y));
    EXPECT_NEAR(y, expectedLuminance(0.5), 0.05);
    for (auto& channel : ramp) {
        for (size_t i = 0; i < channel.size(); ++i)
            channel[i] = static_cast<std::uint16_t>(i * 65535 / (channel.size() - 1));
    }
    ASSERT_TRUE(device->write(ramp));
}

TEST_F(KaldoSensorHidTest, DamagedAndChattyAndSlowDevices)
{
    {
        ASSERT_TRUE(SensorWorkstation::install(QStringLiteral(R"("debugLines": 2)")));
        LogCapture log;
        KaldoSensorHID sensor(QStringLiteral("FS100"));
        ASSERT_TRUE(sensor.IsConnected());
        ASSERT_TRUE(sensor.DoMeasure());
        EXPECT_NEAR(sensor.GetMeasureData()[1], 400.0, 0.01);
        EXPECT_TRUE(log.contains(QStringLiteral("sensor debug_log: #dbg getxyz 1")));
    }
    {
        ASSERT_TRUE(SensorWorkstation::install(QStringLiteral(R"("damagedSize": true)")));
        LogCapture log;
        KaldoSensorHID sensor(QStringLiteral("FS100"));
        ASSERT_TRUE(sensor.IsConnected());
        EXPECT_FALSE(sensor.DoMeasure());
        EXPECT_TRUE(
            log.contains(QStringLiteral("KaldoSensorHID::readHid package damaged. size byte is incorrect")));
        EXPECT_TRUE(log.contains(QStringLiteral("KaldoSensorHID::getxyz error. can't get info")));
        // No answer at all: the vendor falls back to the maker's name.
        EXPECT_EQ(sensor.vendor(), "Kaldo Ltd.");
    }
    {
        ASSERT_TRUE(SensorWorkstation::install(QStringLiteral(R"("wrongEcho": true)")));
        LogCapture log;
        KaldoSensorHID sensor(QStringLiteral("FS100"));
        ASSERT_TRUE(sensor.IsConnected());
        EXPECT_FALSE(sensor.DoMeasure());
        EXPECT_TRUE(log.contains(QStringLiteral("KaldoSensorHID::getxyz error. can't parse reply")));
        int group = 0, index = 0;
        EXPECT_FALSE(sensor.currentCalibration(group, index));
        EXPECT_TRUE(log.contains(QStringLiteral("KaldoSensorHID::currentCalibration error. wrong answer:")));
    }
    {
        ASSERT_TRUE(SensorWorkstation::install(QStringLiteral(R"("slowMs": 2500)")));
        KaldoSensorHID sensor(QStringLiteral("FS100"));
        ASSERT_TRUE(sensor.IsConnected());
        EXPECT_FALSE(sensor.DoMeasure());
        // The late answer is not taken for the next command's.
        EXPECT_EQ(sensor.model(), "Sorvex");
        EXPECT_FALSE(sensor.DoMeasure());
    }
}

TEST_F(KaldoSensorHidTest, TooLongCommandIsRefusedWithoutWriting)
{
    // The device is pulled out at its first command, so any write would show.
    ASSERT_TRUE(SensorWorkstation::install(QStringLiteral(R"("unplugAfter": 1)")));
    LogCapture log;
    KaldoSensorHID sensor(QStringLiteral("FS100"));
    ASSERT_TRUE(sensor.IsConnected());
    EXPECT_FALSE(sensor.writeHid(QString(64, QLatin1Char('a'))));
    EXPECT_TRUE(log.contains(QStringLiteral("KaldoSensorHID::writeHid. package too long")));
    EXPECT_TRUE(sensor.IsConnected());

    // Unplugged in the middle of a measurement.
    EXPECT_TRUE(sensor.writeHid(QString(63, QLatin1Char('a'))));
    EXPECT_FALSE(sensor.DoMeasure());
    EXPECT_FALSE(sensor.IsConnected());
    EXPECT_FALSE(sensor.DoMeasure());
}

TEST_F(KaldoSensorHidTest, ServiceCommandsChangeTheDevice)
{
    ASSERT_TRUE(SensorWorkstation::install());
    KaldoSensorHID sensor(QStringLiteral("FS100"));
    ASSERT_TRUE(sensor.IsConnected());

    // The boot loader measures nothing; a mode the device does not know is refused.
    EXPECT_EQ(sensor.getMode(), "sensor");
    ASSERT_TRUE(sensor.setMode(QStringLiteral("bootloader")));
    EXPECT_EQ(sensor.getMode(), "bootloader");
    EXPECT_FALSE(sensor.DoMeasure());
    EXPECT_TRUE(sensor.writePage(3, QStringLiteral("00ff10ab")));
    EXPECT_TRUE(sensor.setFwData(0, QStringLiteral("0102")));
    EXPECT_FALSE(sensor.writePage(4, QString(60, QLatin1Char('f'))));
    EXPECT_TRUE(sensor.reset());
    EXPECT_EQ(sensor.getMode(), "sensor");
    EXPECT_FALSE(sensor.setMode(QStringLiteral("sleep")));
    EXPECT_TRUE(sensor.DoMeasure());

    // A stored identity is read back normalised.
    ASSERT_TRUE(sensor.setSerial(QStringLiteral("FS101")));
    ASSERT_TRUE(sensor.setManufacturer(QStringLiteral("KALDO")));
    ASSERT_TRUE(sensor.setModel(QStringLiteral("kaldo front sensor")));
    EXPECT_EQ(sensor.serial(), "FS101");
    EXPECT_EQ(sensor.vendor(), "Kaldo Ltd.");
    EXPECT_EQ(sensor.model(), "KALDO Front Sensor");

    EXPECT_EQ(sensor.tablesCount(), 0);
    ASSERT_TRUE(sensor.addTable(QStringLiteral("1,0 3A2B WIDEVIEW 21")));
    EXPECT_EQ(sensor.tablesCount(), 1);
    QStringList table;
    ASSERT_TRUE(sensor.tableInfo(0, table));
    EXPECT_EQ(table, (QStringList{"1,0", "3A2B", "WIDEVIEW", "21"}));
    EXPECT_FALSE(sensor.tableInfo(1, table));
    ASSERT_TRUE(sensor.deleteTables());
    EXPECT_EQ(sensor.tablesCount(), 0);

    // Raw converter values follow the light: white against black.
    QList<double> white;
    QList<double> black;
    ASSERT_TRUE(sensor.rawAdc(white));
    ASSERT_EQ(white.size(), 3);
    Platform::workstation()->setShownPatch(QStringLiteral("DP-1"), {0.0, 0.0, 0.0});
    ASSERT_TRUE(sensor.timeRawMeasure(100, 4, black));
    ASSERT_EQ(black.size(), 3);
    EXPECT_GT(white[1], black[1] * 10);
    EXPECT_TRUE(sensor.autoRawAdc(black));
    EXPECT_TRUE(sensor.autoCorrection(black));
}

TEST_F(KaldoSensorHidTest, BuiltInSensorMeasuresTheRoomAndChoosesCalibrations)
{
    ASSERT_TRUE(SensorWorkstation::install());
    const int dp1 = SensorWorkstation::displayId(QStringLiteral("DP-1"));
    const int dp2 = SensorWorkstation::displayId(QStringLiteral("DP-2"));
    ASSERT_GE(dp1, 0);
    EXPECT_FALSE(KaldoSensorHidInternal::forDisplay(dp2));
    const std::shared_ptr<CSensor> sensor = KaldoSensorHidInternal::forDisplay(dp1);
    ASSERT_TRUE(sensor);
    QRect where;
    ASSERT_TRUE(sensor->GetCoords(where));
    EXPECT_EQ(where.top(), 0);
    EXPECT_EQ(where.center().x(), 1023);

    ASSERT_TRUE(sensor->SetOption(0, true));
    double value = 0;
    ASSERT_TRUE(sensor->GetLuminance(value));
    EXPECT_NEAR(value * 100, 5.0, 1e-3);
    Platform::workstation()->setAmbientLux(QStringLiteral("DP-1"), 20);
    ASSERT_TRUE(sensor->GetLuminance(value));
    EXPECT_NEAR(value * 100, 20.0, 1e-3);
    ASSERT_TRUE(sensor->SetOption(0, false));
    ASSERT_TRUE(sensor->GetLuminance(value));
    EXPECT_NEAR(value, 400.0, 0.01);

    // Generic tables by technology; a display-specific one by the EDID product code.
    KaldoSensorHID front(QStringLiteral("FS100"));
    ASSERT_TRUE(front.IsConnected());
    ASSERT_TRUE(front.setMeasuringType(CSensor::OLED));
    int group = -1, index = -1;
    ASSERT_TRUE(front.currentCalibration(group, index));
    EXPECT_EQ(std::make_pair(group, index), std::make_pair(0, 2));
    front.getDisplaySpecificMeasuringType(CurrentDisplays::DisplayById(dp1));
    ASSERT_EQ(front.specificCalibrations().size(), 2);
    ASSERT_TRUE(front.currentCalibration(group, index));
    EXPECT_EQ(std::make_pair(group, index), std::make_pair(1, 0));
}
