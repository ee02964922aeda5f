#include "displays/DisplaysPrefs.h"

#include "displays/DisplayInfo.h"
#include "tests/support/TestPaths.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

DisplayInfo info(const char* vendor3, unsigned char code0, unsigned char code1, const QString& name0xFC,
                 const QString& text0xFE = QString())
{
    DisplayInfo display;
    display.setShortManufacturer(QString::fromLatin1(vendor3));
    display.setProductCode(code0, code1);
    display.setNameFC(name0xFC);
    display.setTextFE(text0xFE);
    display.setManufacture(QStringLiteral("Maker of ") + QString::fromLatin1(vendor3));
    display.setName(QStringLiteral("Model ") + name0xFC);
    return display;
}

struct Shown
{
    QString manufacturer, name, backlight, type;
    bool operator==(const Shown&) const = default;
};

Shown shown(const DisplaysPrefs& prefs, const DisplayInfo& display)
{
    Shown s;
    prefs.getRecord(display, s.manufacturer, s.name, s.backlight, s.type);
    return s;
}

QString writeFile(const QString& name, const QByteArray& content)
{
    const QString path =
        TestPaths::freshFolder(QStringLiteral("prefs-") + name) + QStringLiteral("/displays.json");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return path;
}

} // namespace

TEST(DisplaysPrefs, EmbeddedListNamesTheFourKnownModels)
{
    DisplaysPrefs prefs;
    ASSERT_EQ(prefs.load(), 0);
    ASSERT_EQ(prefs.records().size(), 4);

    EXPECT_EQ(shown(prefs, info("GSM", 24, 88, "E2241")), (Shown{"LG", "E2241", "FlatWLED", "Color"}));
    EXPECT_EQ(shown(prefs, info("DVA", 1, 240, "RAP2102LMI-SI")),
              (Shown{"DIVA", "RAP2102LMI-SI", "Flat", "Color"}));
    EXPECT_EQ(shown(prefs, info("SAM", 111, 3, "SyncMaster")),
              (Shown{"Samsung", "SyncMaster", "Flat", "Color"}));
    EXPECT_EQ(shown(prefs, info("HYC", 77, 65, "SR-21MDCUS")),
              (Shown{"Lumimed", "SR-21MDCUS", "Flat", "Color"}));
    EXPECT_TRUE(prefs.hasRecord(info("GSM", 24, 88, "E2241")));

    // One differing identity field is another model: the display's own names come back.
    for (const DisplayInfo& other :
         {info("GSM", 24, 89, "E2241"), info("GSM", 25, 88, "E2241"), info("GSD", 24, 88, "E2241"),
          info("GSM", 24, 88, "E2241 "), info("GSM", 24, 88, "E2241", "text")}) {
        EXPECT_FALSE(prefs.hasRecord(other));
        EXPECT_EQ(shown(prefs, other), (Shown{other.manufacture(), other.name(), "FlatWLED", "Color"}));
    }
}

TEST(DisplaysPrefs, CompareLooksOnlyAtTheEdidIdentity)
{
    DisplaysPrefs::DisplayRecord a{"LG", "E2241", "Flat", "Color", "GSM", "E2241", "", 24, 88};
    DisplaysPrefs::DisplayRecord b{"Other", "Name", "CCFL", "Mono", "GSM", "E2241", "", 24, 88};
    EXPECT_TRUE(DisplaysPrefs::compare(a, b));
    b.name0xFE = QStringLiteral("x");
    EXPECT_FALSE(DisplaysPrefs::compare(a, b));
}

TEST(DisplaysPrefs, FilesThatAreNotAnArrayLoadNothing)
{
    for (const QByteArray& content : {QByteArray("{\"manufacturer\": \"LG\"}"), QByteArray("[{\"name\": "),
                                      QByteArray(""), QByteArray("\"text\"")}) {
        DisplaysPrefs prefs(writeFile(QStringLiteral("bad"), content));
        EXPECT_EQ(prefs.load(), -1) << content.constData();
        EXPECT_TRUE(prefs.records().isEmpty());
        EXPECT_EQ(shown(prefs, info("GSM", 24, 88, "E2241")),
                  (Shown{"Maker of GSM", "Model E2241", "FlatWLED", "Color"}));
    }
    DisplaysPrefs missing(TestPaths::freshFolder(QStringLiteral("prefs-missing")) +
                          QStringLiteral("/none.json"));
    EXPECT_EQ(missing.load(), -1);

    // Elements that are not objects are skipped; missing keys read as empty and 0.
    DisplaysPrefs mixed(
        writeFile(QStringLiteral("mixed"), R"([1, "x", {"vendor3Symbols": "ABC", "manufacturer": "Abc"},
        {"vendor3Symbols": "BIG", "productCode0": 300, "productCode1": -2}])"));
    ASSERT_EQ(mixed.load(), 0);
    ASSERT_EQ(mixed.records().size(), 2);
    EXPECT_EQ(shown(mixed, info("ABC", 0, 0, "")).manufacturer, QStringLiteral("Abc"));
    EXPECT_EQ(shown(mixed, info("ABC", 0, 0, "")).backlight, QString());
    EXPECT_TRUE(mixed.hasRecord(info("BIG", 0, 0, "")));
}

TEST(DisplaysPrefs, AddedRecordsSurviveSaveAndLoad)
{
    const QString path = writeFile(QStringLiteral("save"), "[]");
    {
        DisplaysPrefs prefs(path);
        ASSERT_EQ(prefs.load(), 0);
        prefs.addRecord(info("NEC", 0x34, 0x12, "PA271", "serial text"), "NEC", "PA271W", "FlatWLED",
                        "Color");
        prefs.addRecord(info("EIZ", 1, 2, "RX250"), "EIZO", "RadiForce", "Flat", "Monochrome");
        ASSERT_TRUE(prefs.save());
    }
    DisplaysPrefs reloaded(path);
    ASSERT_EQ(reloaded.load(), 0);
    EXPECT_EQ(shown(reloaded, info("NEC", 0x34, 0x12, "PA271", "serial text")),
              (Shown{"NEC", "PA271W", "FlatWLED", "Color"}));
    EXPECT_EQ(shown(reloaded, info("EIZ", 1, 2, "RX250")),
              (Shown{"EIZO", "RadiForce", "Flat", "Monochrome"}));

    DisplaysPrefs readOnly(QStringLiteral(":rc/displays.json"));
    ASSERT_EQ(readOnly.load(), 0);
    EXPECT_FALSE(readOnly.save());
}
