#include "db/DB.h"
#include "db/DBDisplays.h"
#include "displays/CurrentDisplays.h"
#include "displays/DDCCIControl.h"
#include "displays/DisplayFactory.h"
#include "displays/WideDisplays.h"
#include "lut/DisplayList.h"
#include "sensors/CSensor.h"
#include "sensors/SensorFactory.h"
#include "tasks/DisplaysHoursRefreshTask.h"
#include "tests/ddc/DdcFixture.h"
#include "tests/displays/SimDisplays.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>

#include <cmath>
#include <gtest/gtest.h>

namespace {

QString wide(const QString& output, const QString& registers)
{
    return DdcFixture::generic(output, "WKC", QStringLiteral("MS25i2"),
                               QStringLiteral(R"("wide": {%1})").arg(registers));
}

} // namespace

class WideDisplayTest : public DdcFixture
{
protected:
    std::unique_ptr<WideDisplayDDCCI> connected(int index)
    {
        auto display = std::make_unique<WideDisplayDDCCI>(CurrentDisplays::DisplayId(index));
        display->connect();
        return display;
    }
};

TEST(WideModelTest, ModelTableAndColourModels)
{
    EXPECT_EQ(WideDisplayBase::modelOf("x3"), 14);
    EXPECT_TRUE(WideDisplayBase::isColorModel(14));
    EXPECT_EQ(WideDisplayBase::modelOf("X3"), 13);
    EXPECT_FALSE(WideDisplayBase::isColorModel(13));
    EXPECT_EQ(WideDisplayBase::modelOf("N2"), 26);
    EXPECT_EQ(WideDisplayBase::modelOf("Q9"), 0);
}

TEST_F(WideDisplayTest, RegistersOverDdcciGiveModelDepthAndControls)
{
    ASSERT_TRUE(
        installMonitors({wide("DP-1", R"("model": "x3", "lutDepth": 0, "inputDataBit": 0, "brightness": 511,
                                              "temperature": 41, "hours": 300, "minutes": 30)"),
                         wide("DP-2", R"("model": "M3", "inputDataBit": 2, "brightness": 512, "ack": 55)"),
                         wide("DP-3", R"("model": "ZZ")")}));
    auto color = connected(0);
    ASSERT_TRUE(color->ok());
    EXPECT_EQ(color->model(), 14);
    EXPECT_TRUE(color->isColor());
    EXPECT_EQ(color->brightness(), 0u);
    EXPECT_DOUBLE_EQ(color->temperature(), 41.0);
    EXPECT_DOUBLE_EQ(color->operationHours(), 300.5);
    color->attachInternalLUT();
    ASSERT_NE(color->attachedLUT(), nullptr);
    EXPECT_EQ(color->attachedLUT()->ChannelsCount(), 2);
    EXPECT_EQ(color->attachedLUT()->LUTSize(), 256);
    EXPECT_EQ(color->attachedLUT()->LUTMaxValue(), 4095);

    // A "no acknowledge" byte still counts over DDC/CI.
    auto mono = connected(1);
    ASSERT_TRUE(mono->ok());
    EXPECT_FALSE(mono->isColor());
    EXPECT_EQ(mono->brightness(), unsigned(-1));
    EXPECT_FALSE(mono->ok());
    mono->attachInternalLUT();
    EXPECT_EQ(mono->attachedLUT()->LUTMaxValue(), 16383);
    EXPECT_EQ(mono->attachedLUT()->LUTSize(), 1024);

    LogCapture log;
    auto unknown = connected(2);
    EXPECT_FALSE(unknown->ok());
    EXPECT_TRUE(log.contains("Unknown WIDE display"));
}

TEST_F(WideDisplayTest, FrontSensorReadsThePatchUnderItAndTheRoom)
{
    ASSERT_TRUE(installMonitors({wide("DP-1", R"("model": "M3", "frontSensor": 400, "ambientLux": 12.5)")}));
    SensorFactory::registerAll();
    auto display = connected(0);
    ASSERT_TRUE(display->ok());
    const std::shared_ptr<CSensor> sensor = display->sensor();
    ASSERT_TRUE(sensor);
    EXPECT_EQ(display->sensor(), sensor);
    double value = 0;
    ASSERT_TRUE(sensor->GetLuminance(value));
    EXPECT_NEAR(value, 400.0, 0.01);
    EXPECT_EQ(display->readRegister(WideDisplayBase::RegSensorOnOff, 1), std::vector<unsigned char>{1});
    sensor->ShowPatch(128, 128, 128);
    ASSERT_TRUE(sensor->GetLuminance(value));
    EXPECT_NEAR(value, 400.0 * std::pow(128 / 255.0, 2.2), 0.01);
    double xyz[3] = {};
    EXPECT_FALSE(sensor->GetXYZ(xyz));

    // The room: in hundreds of lux with option 0, as the ambient light task reads it.
    ASSERT_TRUE(sensor->SetOption(0, true));
    ASSERT_TRUE(sensor->GetLuminance(value));
    EXPECT_NEAR(value * 100, 12.5, 1e-9);
    double lux = 0;
    ASSERT_TRUE(sensor->getAmbientLuminanceLux(lux));
    EXPECT_NEAR(lux, 12.5, 1e-9);

    // Released, the sensor leaves the picture; one that outlives its display only fails.
    sensor->DestroyConnectionHandle();
    EXPECT_EQ(display->readRegister(WideDisplayBase::RegSensorOnOff, 1), std::vector<unsigned char>{0});
    display.reset();
    EXPECT_FALSE(sensor->GetLuminance(value));
    EXPECT_FALSE(sensor->IsConnected());
}

TEST_F(WideDisplayTest, LutUploadWritesGammaBlocksAndGains)
{
    ASSERT_TRUE(installMonitors({wide("DP-1", R"("model": "x3", "lutDepth": 0, "inputDataBit": 0)")}));
    auto d = connected(0);
    ASSERT_TRUE(d->ok());
    d->attachInternalLUT();
    LUT* lut = d->lut();
    ASSERT_NE(lut, nullptr);
    luts_t table(2, std::vector<int>(256));
    for (int i = 0; i < 256; ++i)
        table[0][i] = i * 16;
    table[1][0] = 4000;
    table[1][1] = 3900;
    table[1][2] = 3800;
    int steps = 0;
    QObject::connect(lut, &LUT::signalLUTUploadProgress, [&] { ++steps; });
    ASSERT_TRUE(lut->UploadLUT(table));
    EXPECT_EQ(steps, 2 + 16 + 3 + 1);
    d->unlockHardware();
    const QJsonObject state = monitorState("DP-1");
    const QJsonArray gamma = state.value("wideGamma").toArray();
    ASSERT_GE(gamma.size(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(gamma.at(i).toInt(), i * 16) << i;
    EXPECT_EQ(state.value("wideGains").toArray(), (QJsonArray{4000, 3900, 3800}));
    EXPECT_EQ(state.value("registers").toObject().value("29").toString(), "04");
}

namespace {

// A WIDE display reached only through its USB port: its video cable carries no DDC/CI.
QString wideOverUsb(const QString& output, const QString& registers)
{
    return SimDisplays::display(output, SimDisplays::edid("WKC", 0x2525, QStringLiteral("MS25i2")), true,
                                QStringLiteral(R"x("ddc": {"usbOnly": true, "wide": {%1}},
                          "sensors": [{"path": "wide-usb-%2", "manufacturer": "WIDE", "wideDisplay": "%2"}])x")
                                    .arg(registers, output));
}

} // namespace

TEST_F(WideDisplayTest, OverUsbTheFactoryFindsThePortAndTheLutGoesThroughIt)
{
    ASSERT_TRUE(installMonitors({wideOverUsb("DP-1", R"("model": "M3", "lutDepth": 0, "brightness": 411)")}));
    LogCapture log;
    const int id = CurrentDisplays::DisplayId(0);
    std::unique_ptr<BaseDisplay> d(DisplayFactory::detect(id, DISPIFACE_DDCCI, DISPIFACE_DDCCI, 0, false));
    ASSERT_NE(d, nullptr) << log.all().toStdString();
    ASSERT_STREQ(d->metaObject()->className(), "WideDisplayUSB") << log.all().toStdString();
    EXPECT_TRUE(log.all().contains("connected by USB"));
    EXPECT_TRUE(log.all().contains("WideDisplayDDCCI no DDC/CI connection")) << "the cable has none";
    EXPECT_EQ(d->brightness(), 100u);
    EXPECT_TRUE(d->ok());
    // The front sensor: switched on, then its luminance read without the USB reply's prefix.
    auto* wideDisplay = dynamic_cast<WideDisplayBase*>(d.get());
    ASSERT_NE(wideDisplay, nullptr);
    EXPECT_EQ(wideDisplay->writeSensorOnOff({1}), std::vector<unsigned char>{1});
    EXPECT_EQ(wideDisplay->readSensorLumi(), (std::vector<unsigned char>{0x00, 0x00, 0x01, 0xF4}));

    LUT* lut = d->lut();
    ASSERT_NE(lut, nullptr);
    EXPECT_EQ(lut->LUTSize(), 256);
    luts_t table(1, std::vector<int>(256));
    for (int i = 0; i < 256; ++i)
        table[0][i] = 4095 - i * 16;
    ASSERT_TRUE(lut->UploadLUT(table));
    d->unlockHardware();
    EXPECT_EQ(monitorState("DP-1").value("registers").toObject().value("19").toString(), "01");
    const QJsonArray gamma = monitorState("DP-1").value("wideGamma").toArray();
    ASSERT_GE(gamma.size(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(gamma.at(i).toInt(), 4095 - i * 16) << i;
}

TEST_F(WideDisplayTest, OverUsbAnAcknowledgeOtherThanZeroFailsTheCommand)
{
    ASSERT_TRUE(installMonitors({wideOverUsb("DP-1", R"("model": "M3", "ack": 55)")}));
    LogCapture log;
    WideDisplayUSB d(CurrentDisplays::DisplayId(0));
    d.connect();
    EXPECT_FALSE(d.ok());
    EXPECT_TRUE(log.all().contains("wrong ack!"));
    EXPECT_TRUE(log.all().contains("ack byte: 55"));
}

TEST_F(WideDisplayTest, TheHoursTaskStoresTheHoursOfTheDisplaysTheAgentHolds)
{
    ASSERT_TRUE(installMonitors({wide("DP-1", R"("model": "x3", "hours": 300, "minutes": 30)")}));
    DB::setPath(TestPaths::freshFolder(QStringLiteral("wide-hours-db")));
    const int id = CurrentDisplays::DisplayId(0);
    DisplayList::instance().clearDisplays();
    DisplayList::instance().addDisplay(id);
    ASSERT_TRUE(DisplayList::instance().GetDisplayInstanceById(id));

    EXPECT_EQ(DisplaysHoursRefreshTask::refreshHours(), 1);
    EXPECT_EQ(DBDisplays().getDisplayInfo(id, QStringLiteral("WorkHours")), QStringLiteral("300.5"));
    DisplayList::instance().clearDisplays();
}
