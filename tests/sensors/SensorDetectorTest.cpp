#include "sensors/SensorDetector.h"

#include "sensors/CSensor.h"
#include "sensors/CorrectionList.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/SensorFactory.h"
#include "settings/GlobalData.h"
#include "settings/QSettingsWithSharing.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/sensors/SensorWorkstation.h"
#include "tests/support/TestPaths.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class SensorDetectorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SensorWorkstation::install(
            QString(), QString(), QStringLiteral(R"({"path": "/dev/hidraw9", "manufacturer": "Kaldo",
                                                   "product": "Sorvex Smart", "serial": "SM1"})")));
        remember(-1, -1);
        GlobalData::instance().SetValue<QString>(QStringLiteral("DisableNonKaldoSensors"),
                                                 QStringLiteral("false"));
    }
    void TearDown() override
    {
        SensorDetector::release();
        CorrectionList::instance().clear();
        SensorWorkstation::uninstall();
    }

    static QSettingsWithSharing settings()
    {
        return QSettingsWithSharing(QSettings::IniFormat, QSettings::SystemScope,
                                    QCoreApplication::organizationName(),
                                    QCoreApplication::applicationName());
    }
    static void remember(int number, int port)
    {
        settings().setValue(QStringLiteral("sensor_number"), number);
        settings().setValue(QStringLiteral("sensor_port"), port);
    }

    static QString writeCorrection(const QByteArray& xml)
    {
        const QString folder = TestPaths::freshFolder(QStringLiteral("corrections"));
        QFile file(folder + QStringLiteral("/SV1.xml"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(CorrectionList::compress(xml));
        return folder;
    }
};

} // namespace

TEST_F(SensorDetectorTest, CacheRememberedClassAndInterfaceChange)
{
    std::shared_ptr<CSensor> first = SensorDetector::detect(CONNIFACE_USB, -1, false);
    ASSERT_TRUE(first);
    // Registration order: the smart sensor class comes first and takes only smart sensors.
    EXPECT_STREQ(first->metaObject()->className(), "SmartSensorWrapper");
    EXPECT_TRUE(SensorDetector::isKaldoSensor(first.get()));
    EXPECT_EQ(settings().value(QStringLiteral("sensor_number")).toInt(), 0);
    EXPECT_EQ(SensorDetector::detect(CONNIFACE_USB, -1, false), first);

    // A serial search replaces the cached USB sensor; nothing on serial, so USB again.
    std::weak_ptr<CSensor> old = first;
    first.reset();
    std::shared_ptr<CSensor> again = SensorDetector::detect(-1);
    EXPECT_TRUE(old.expired());
    ASSERT_TRUE(again);
    SensorDetector::release();

    // The remembered class is tried first; one beyond the list is skipped.
    remember(1, -1);
    std::shared_ptr<CSensor> remembered =
        SensorDetector::noCacheDetect(SENSORTYPE_EMISSIVE, CONNIFACE_USB, -1, false, true);
    ASSERT_TRUE(remembered);
    EXPECT_STREQ(remembered->metaObject()->className(), "KaldoSensorHID");
    remember(SensorFactory::size(SENSORTYPE_EMISSIVE, CONNIFACE_USB) + 5, 3);
    std::shared_ptr<CSensor> normal =
        SensorDetector::noCacheDetect(SENSORTYPE_EMISSIVE, CONNIFACE_USB, -1, false, true);
    ASSERT_TRUE(normal);
    EXPECT_STREQ(normal->metaObject()->className(), "SmartSensorWrapper");

    // Excluding the maker's own sensors leaves nothing on this workstation.
    EXPECT_FALSE(SensorDetector::noCacheDetect(SENSORTYPE_EMISSIVE, CONNIFACE_USB, -1, true, false));
    EXPECT_FALSE(SensorFactory::createInstance(SENSORTYPE_EMISSIVE, CONNIFACE_USB, 1000, -1));
}

TEST_F(SensorDetectorTest, CorrectionFilesReachTheDetectedSensor)
{
    // Type 2: X, Y and Z scaled by the reference over the measured luminance.
    const QString folder =
        writeCorrection(R"(<sensor vendor="Kaldo Ltd." model="Sorvex" serial="SV1" interpolation="2">
        <value measured="100" reference="110"/><value measured="500" reference="450"/></sensor>)");
    ASSERT_EQ(CorrectionList::instance().loadDirectory(folder), 1);
    remember(1, -1);
    std::shared_ptr<CSensor> sensor =
        SensorDetector::noCacheDetect(SENSORTYPE_EMISSIVE, CONNIFACE_USB, -1, false, true);
    ASSERT_TRUE(sensor);
    ASSERT_EQ(sensor->sensorCorrection().type(), SensorCorrection::LuminanceInterpolation);
    // The handheld sensor is on no display: it reads darkness, so measure through a front sensor
    // with the same correction.
    KaldoSensorHID front(QStringLiteral("FS100"));
    ASSERT_TRUE(front.IsConnected());
    front.SetSensorCorrection(sensor->sensorCorrection());
    double xyz[3] = {};
    ASSERT_TRUE(front.GetXYZ(xyz));
    // 400 lies three quarters of the way from 100 to 500: reference 110 + 0.75 * 340 = 365.
    EXPECT_NEAR(xyz[1], 365.0, 0.01);
    EXPECT_NEAR(xyz[0] / xyz[1], 0.9505, 0.001);
}

TEST(SensorCorrectionTest, TypesAndDamagedFiles)
{
    double x = 10, y = 20, z = 30;
    SensorCorrection().ApplyCorrection(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(10.0, 20.0, 30.0));

    SensorCorrection regression;
    ASSERT_TRUE(
        CorrectionList::parse(R"(<sensor interpolation="1"><value>1 0 0 1</value><value>0 2 0 0</value>
        <value>0 0.5 1 0</value></sensor>)",
                              regression, nullptr));
    regression.ApplyCorrection(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(11.0, 40.0, 40.0));

    SensorCorrection channels;
    ASSERT_TRUE(
        CorrectionList::parse(R"(<sensor interpolation="3"><value channel="2" measured="10" reference="20"/>
        <value channel="2" measured="50" reference="60"/></sensor>)",
                              channels, nullptr));
    x = 1;
    y = 2;
    z = 30;
    channels.ApplyCorrection(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(1.0, 2.0, 40.0));
    // Beyond the ends the nearest ratio holds, so no reading goes negative.
    z = 5;
    channels.ApplyCorrection(x, y, z);
    EXPECT_DOUBLE_EQ(z, 10.0);

    SensorCorrection unchanged;
    QString error;
    EXPECT_FALSE(CorrectionList::parse("<calibration/>", unchanged, &error));
    EXPECT_FALSE(CorrectionList::parse(R"(<sensor interpolation="7"/>)", unchanged, &error));
    EXPECT_FALSE(CorrectionList::parse(R"(<sensor interpolation="1"><value>1 x 0</value></sensor>)",
                                       unchanged, &error));
    EXPECT_FALSE(CorrectionList::parse(R"(<sensor interpolation="2"><value measured="1"/></sensor>)",
                                       unchanged, &error));
    EXPECT_FALSE(CorrectionList::parse("\x78\x9c garbage", unchanged, &error));
    EXPECT_EQ(unchanged.type(), SensorCorrection::None);
    EXPECT_EQ(CorrectionList::instance().GetSensorCorrection("m", "v", "s").type(), SensorCorrection::None);
}

TEST_F(SensorDetectorTest, FamiliesWhoseLibraryIsAbsentSayWhyOnceAndAreNotFound)
{
    struct Family
    {
        int type;
        conniface_t iface;
        int index;
        const char* className;
        QString line;
    };
    const auto missing = [](const char* name, const char* libraries) {
        return QStringLiteral("%1: vendor library %2 not found; sensor not available")
            .arg(QLatin1String(name), QLatin1String(libraries));
    };
    const auto shell = [](const char* name, const char* why) {
        return QStringLiteral("%1: %2; not available in this build")
            .arg(QLatin1String(name), QLatin1String(why));
    };
    const std::vector<Family> families = {
        {0, CONNIFACE_USB, 2, "CXSpyder", missing("CXSpyder", R"("dcxmtr.dll")")},
        {0, CONNIFACE_USB, 3, "MinoltaCS200Interface",
         shell("MinoltaCS200Interface", "the maker's library for this device is not known by name")},
        {0, CONNIFACE_USB, 4, "C4Spyder", missing("C4Spyder", R"("dccmtr.dll")")},
        {0, CONNIFACE_USB, 5, "C5Spyder", missing("C5Spyder", R"("dccmtr.dll")")},
        {0, CONNIFACE_USB, 6, "XriteI1d3", missing("XriteI1d3", R"("i1d3SDK.dll")")},
        {0, CONNIFACE_USB, 7, "CSpyder", missing("CSpyder", R"("Spyder3.dll")")},
        {0, CONNIFACE_USB, 8, "CSequel", missing("CSequel", R"("SipCal.dll")")},
        {0, CONNIFACE_USB, 9, "I1_Pro", missing("I1_Pro", R"("i1Pro.dll")")},
        {0, CONNIFACE_USB, 10, "CXrite", missing("CXrite", R"("CirrusSDK.dll")")},
        {0, CONNIFACE_USB, 11, "LxPlusHid",
         shell("LxPlusHid", "the HID protocol of this device is not known")},
        {0, CONNIFACE_USB, 13, "GossenM508Sensor",
         missing("GossenM508Sensor", R"("FTD2XX.dll", "libftd2xx.so")")},
        {0, CONNIFACE_USB, 14, "JetiSensor", missing("JetiSensor", R"("jeti_core.dll", "libjeti_core.so")")},
        {0, CONNIFACE_USB, 15, "CDLux", missing("CDLux", R"("cdluxapi.dll")")},
        {0, CONNIFACE_USB, 16, "MinoltaCa200New",
         shell("MinoltaCa200New",
               "the maker's SDK for this device is a COM object, which this build does not use")},
        {1, CONNIFACE_USB, 0, "Spyder3PrinterInterface",
         missing("Spyder3PrinterInterface", R"("dcscdrv.dll")")},
    };
    EXPECT_EQ(SensorFactory::size(SENSORTYPE_EMISSIVE, CONNIFACE_USB), 17);
    for (const Family& family : families) {
        SCOPED_TRACE(family.className);
        const std::shared_ptr<CSensor> sensor =
            SensorFactory::createInstance(family.type, family.iface, family.index, 2);
        ASSERT_TRUE(sensor);
        EXPECT_STREQ(sensor->metaObject()->className(), family.className);
        EXPECT_EQ(sensor->ConnectionInterface(), family.iface);
        const LogCapture log;
        EXPECT_FALSE(sensor->IsConnected());
        EXPECT_EQ(log.all().count(family.line), 1) << log.all().toStdString();
        QString problem;
        EXPECT_FALSE(sensor->hasConnectionProblems(problem));
        double luminance = 0;
        EXPECT_FALSE(sensor->GetLuminance(luminance));
    }

    // Detection past the maker's own sensors walks every family and finds none of them.
    const LogCapture log;
    EXPECT_FALSE(SensorDetector::noCacheDetect(SENSORTYPE_EMISSIVE, CONNIFACE_USB, -1, true, false));
    for (const Family& family : families) {
        if (family.type == SENSORTYPE_EMISSIVE && family.iface == CONNIFACE_USB) {
            EXPECT_EQ(log.all().count(family.line), 1) << family.className;
        }
    }
    QString problem;
    EXPECT_FALSE(SensorDetector::hasConnectionProblems(problem)) << problem.toStdString();
}
