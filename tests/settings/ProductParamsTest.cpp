#include "settings/ProductParams.h"

#include "settings/GlobalData.h"
#include "tests/support/TestPaths.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

StringMap loadEmbedded(DataBus& bus)
{
    ProductParams loader(QString::fromLatin1(ProductParams::DEFAULT_VALUES_FILE),
                         QString::fromLatin1(ProductParams::PRODUCT_VALUES_FILE), bus);
    EXPECT_TRUE(loader.load());
    return bus.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
}

QString writeFile(const QString& name, const QByteArray& content)
{
    const QString path = TestPaths::dataDirectory() + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    return path;
}

} // namespace

TEST(ProductParams, ProductValuesWinOverCommonOnes)
{
    DataBus bus;
    const StringMap preferences = loadEmbedded(bus);
    EXPECT_EQ(preferences.value("DataBaseSynchronizationInterval"), "720");
    EXPECT_EQ(preferences.value("SetWhiteLevel"), "false");
    EXPECT_EQ(preferences.value("units"), "cm");
    EXPECT_EQ(preferences.value("Language"), "English");
    EXPECT_EQ(preferences.value("StartEnergySaveMode"), "23:00");
    EXPECT_EQ(preferences.value("EndEnergySaveMode"), "6:00");
    // Keys only the common file has survive the product file.
    EXPECT_EQ(preferences.value("CalibrationType"), "DICOM");
    EXPECT_EQ(preferences.value("BlackLevel_u_extcombo"), "0.3");
    EXPECT_EQ(bus.getString(GLOBALDATA_REGULATION_NAMES).split('|').first(), "E DIN 6868-157");
    EXPECT_EQ(bus.getString(GLOBALDATA_REGULATION_NAMES).split('|').size(), 14);
    EXPECT_EQ(bus.getString(GLOBALDATA_SHOP_LINK), "https://shop.kaldo-displays.example/orvanta");
}

TEST(ProductParams, TextValuesLoadExactly)
{
    DataBus bus;
    const StringMap preferences = loadEmbedded(bus);
    const StringMap display = bus.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DISPLAY_DEFAULT_PARAMS));
    EXPECT_EQ(display.value("ScreenSize"), "22'");
    EXPECT_EQ(display.value("CommunicationType"), "3");
    EXPECT_EQ(display.size(), 6);
    // Blanks around the equals sign are not part of key or value.
    EXPECT_EQ(preferences.value("gamut_green_y"), "0.6");
    EXPECT_EQ(preferences.value("ServerAddress"), "https://qa-server.kaldo-displays.example/");
    EXPECT_EQ(preferences.value("gamut_green_x"), "0.30");
    EXPECT_EQ(bus.getString(GLOBALDATA_COLOR_TEMPERATURES), "5000|5500|6500|7500|9300|0");
    EXPECT_EQ(bus.getString(GLOBALDATA_TESTPATTERNS).split('|').size(), 42);
    EXPECT_EQ(bus.getString(GLOBALDATA_VERSION_CURRENT), "4.0");
    EXPECT_EQ(bus.getString(GLOBALDATA_VERSION_BUILD), "2267");
    EXPECT_EQ(bus.getString(GD_APPLICATION_NAME), "Orvanta");
    EXPECT_EQ(bus.getString(GLOBALDATA_ORGANIZATION_NAME), "Kaldo");
    EXPECT_EQ(bus.getString(GLOBALDATA_DIRECTORY_NAME_RESERVE_COPY), "Temp");
    EXPECT_TRUE(bus.getString(GLOBALDATA_DIRECTORY_NAME_DATABASE).isEmpty());
    EXPECT_FALSE(bus.contains(GLOBALDATA_DIRECTORY_NAME_DATABASE));
}

TEST(ProductParams, GroupsGetTheirTypesAndLooseKeysBecomeText)
{
    DataBus bus;
    const QString common = writeFile("common.ini", "loose=top level, with comma\n"
                                                   "[integers]\nStartPageNumber=4\n"
                                                   "[doubles]\nscale=1.25\n"
                                                   "[unknown]\nignored=1\n"
                                                   "[preferences]\nGamma=2.2\nUnits=cm\n");
    const QString product = writeFile("product.ini", "[preferences]\nGamma=2.4\n");
    ProductParams loader(common, product, bus);
    EXPECT_TRUE(loader.load());
    EXPECT_EQ(bus.GetValue<int>(GLOBALDATA_START_PAGE_NUMBER), 4);
    EXPECT_DOUBLE_EQ(bus.GetValue<double>("scale"), 1.25);
    EXPECT_EQ(bus.getString("loose"), "top level, with comma");
    EXPECT_FALSE(bus.contains("ignored"));
    const StringMap preferences = bus.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DEFAULT_PARAMS));
    EXPECT_EQ(preferences.value("Gamma"), "2.4");
    EXPECT_EQ(preferences.value("Units"), "cm");
}

TEST(ProductParams, MissingOrBrokenFileKeepsWhatCouldBeLoaded)
{
    DataBus bus;
    const QString product = writeFile("product-only.ini", "[strings]\nApplicationName=Orvanta\n");
    ProductParams missingCommon(TestPaths::dataDirectory() + "/absent.ini", product, bus);
    EXPECT_FALSE(missingCommon.load());
    EXPECT_EQ(bus.getString(GD_APPLICATION_NAME), "Orvanta");

    const QString broken =
        writeFile("broken.ini", "[strings\nversion=4.0\n\xff\xfe\x00garbage=\n[preferences]\nGamma=1.8\n");
    ProductParams brokenCommon(broken, product, bus);
    EXPECT_FALSE(brokenCommon.load());
    EXPECT_EQ(bus.getString(GD_APPLICATION_NAME), "Orvanta");
}

// The shipped defaults are what the main application and the server expect; a
// typo in the INI files would silently change a user's calibration target.
TEST(ProductParams, EveryShippedPreferenceDefault)
{
    DataBus bus;
    const StringMap preferences = loadEmbedded(bus);
    const StringMap expected = {{"SetWhiteLevel", "false"},
                                {"WhiteLevel", "200"},
                                {"SetBlackLevel", "false"},
                                {"BlackLevel", "native"},
                                {"CalibrationType", "DICOM"},
                                {"AmbientLight", "0.3"},
                                {"RemindMinutes", "5"},
                                {"DataBaseSynchronizationInterval", "720"},
                                {"CalibrationPresents", "1"},
                                {"ColorTemperatureAdjustment", "2"},
                                {"ColorTemperature", "6500"},
                                {"ColorX", "0.31272"},
                                {"ColorY", "0.32903"},
                                {"Gamma", "1.8"},
                                {"HandheldSensor", "false"},
                                {"SensorConType", "1"},
                                {"SensorCOMPort", "3"},
                                {"ExpressCalibration", "true"},
                                {"Uniformity", "15"},
                                {"UseProxy", "false"},
                                {"UseScheduler", "true"},
                                {"UpdateSoftwareAutomaticaly", "true"},
                                {"backupPeriod", "1"},
                                {"CreateICCICMProfile", "false"},
                                {"AmbientStable", "1"},
                                {"CorrectUniformity", "false"},
                                {"AdjustColorTemperature", "false"},
                                {"ShowAdvancedColorSettings", "false"},
                                {"ChromaticAdaptation", "CAT02"},
                                {"gamut_red_x", "0.64"},
                                {"gamut_red_y", "0.33"},
                                {"gamut_red_lum", "0.2126"},
                                {"gamut_green_x", "0.30"},
                                {"gamut_green_y", "0.6"},
                                {"gamut_green_lum", "0.7152"},
                                {"gamut_blue_x", "0.15"},
                                {"gamut_blue_y", "0.06"},
                                {"gamut_blue_lum", "0.0722"},
                                {"gamut_name", "sRGB"},
                                {"units", "cm"},
                                {"ICCVersion", "40"},
                                {"ConformancePoints", "18"},
                                {"WhiteLevel_u_extcombo", "200"},
                                {"BlackLevel_u_extcombo", "0.3"},
                                {"StartEnergySaveMode", "23:00"},
                                {"EndEnergySaveMode", "6:00"},
                                {"Language", "English"}};
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(preferences.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_TRUE(preferences.value("ServerAddress").startsWith("https://"));
    EXPECT_EQ(preferences.size(), expected.size() + 1);

    const StringMap display = bus.GetValue<StringMap>(QString::fromLatin1(GLOBALDATA_DISPLAY_DEFAULT_PARAMS));
    EXPECT_EQ(display, (StringMap{{"TypeOfDisplay", "Color"},
                                  {"DisplayTechnology", "FlatWLED"},
                                  {"ScreenSize", "22'"},
                                  {"BacklightStabilization", "0"},
                                  {"CommunicationType", "3"},
                                  {"InternalSensor", "false"}}));
    for (const char* name : {"TranslateDirectoryName", "RegulationDirectoryName", "CorrectionsDirectoryName",
                             "PrinterCalMeasurementsDirectoryName", "ProfileDirectoryName",
                             "CopyrightCompanyName", "ApplicationFileName", "updatelink", "InfoLink",
                             "SupportLink", "Email", "WhatsNewsLink", "ShopLink_de"})
        EXPECT_FALSE(bus.getString(name).isEmpty()) << name;
    EXPECT_EQ(bus.getString(GLOBALDATA_INFOLINK_TEXT), "WEBSITE");
    EXPECT_EQ(bus.getString(GLOBALDATA_SUPPORTLINK_TEXT), "SUPPORT");
}
