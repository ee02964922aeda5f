#include "tests/db/DisplayTablesFixture.h"

#include <QRect>

namespace {

using DBDisplaysTest = DisplayTablesTest;

int addNamedDisplay(DBDisplays& displays, const QString& serial, const QString& model)
{
    const int id = displays.addDisplay(serial, 0, 0, 1920, 1080, true);
    displays.setDisplayInfo(id, QStringLiteral("Model"), model);
    return id;
}

TEST_F(DBDisplaysTest, NewRecordCarriesItsDefaultsAndRectangle)
{
    DBDisplays displays;
    const int id = displays.addDisplay(QStringLiteral("SN-1"), 10, -1920, 1920, 1200, true);
    ASSERT_GE(id, 0);

    EXPECT_EQ(displays.getTop(id), 10);
    EXPECT_EQ(displays.getLeft(id), -1920);
    EXPECT_EQ(displays.getWidth(id), 1920);
    EXPECT_EQ(displays.getHeight(id), 1200);
    EXPECT_TRUE(displays.isActive(id));
    EXPECT_EQ(displays.getRealSerial(id), QStringLiteral("SN-1"));
    EXPECT_EQ(displays.ISensorSupport(id), QStringLiteral("unknow"));
    EXPECT_EQ(displays.InternalSensorType(id), QStringLiteral("color"));
    EXPECT_FALSE(displays.isSensorCorrectionSupported(id));
    EXPECT_EQ(displays.GetCommMode(id), 19);
    EXPECT_TRUE(displays.isSynchronizeNeed(id));
    EXPECT_TRUE(displays.IsAmbientSensorSupport(id));
    EXPECT_TRUE(displays.LUTNames(id).isEmpty());
    EXPECT_EQ(displays.GetSensorCoords(id), QRect());

    ASSERT_TRUE(displays.changeDisplay(id, 0, 0, 2560, 1440));
    EXPECT_EQ(displays.getLeft(id), 0);
    EXPECT_EQ(displays.getWidth(id), 2560);
}

TEST_F(DBDisplaysTest, MissingRowsGiveNeutralValues)
{
    DBDisplays displays;
    EXPECT_EQ(displays.getTop(4711), 0);
    EXPECT_TRUE(displays.getRealSerial(4711).isEmpty());
    EXPECT_FALSE(displays.isActive(4711));
    EXPECT_FALSE(displays.isSynchronizeNeed(4711));
    EXPECT_EQ(displays.findBySerial(QStringLiteral("nobody")), -1);
    EXPECT_EQ(displays.findByAPISerial(QStringLiteral("nobody")), -1);
    EXPECT_TRUE(displays.getDisplayInfo(4711, QStringLiteral("Model")).isEmpty());
    EXPECT_EQ(displays.GetCommunicationType(4711), -1);
    EXPECT_FALSE(displays.checkCalibrationHash(4711, QStringLiteral("identity")));
    EXPECT_EQ(displays.getField(QStringLiteral("serial"), 4711, QStringLiteral("fallback")),
              QStringLiteral("fallback"));
}

TEST_F(DBDisplaysTest, SerialAndModelIdentifyARecord)
{
    DBDisplays displays;
    const int first = addNamedDisplay(displays, QStringLiteral("A1"), QStringLiteral("E2241"));
    const int sameModel = addNamedDisplay(displays, QStringLiteral("B2"), QStringLiteral("E2241"));
    const int sameSerial = addNamedDisplay(displays, QStringLiteral("A1"), QStringLiteral("Other"));
    const int duplicate = addNamedDisplay(displays, QStringLiteral("A1"), QStringLiteral("E2241"));
    EXPECT_NE(first, sameModel);

    QList<int> ids;
    displays.findBySerialAndModel(QStringLiteral("A1"), QStringLiteral("E2241"), ids);
    EXPECT_EQ(ids, (QList<int>{first, duplicate}));
    displays.findBySerialAndModel(QStringLiteral("B2"), QStringLiteral("E2241"), ids);
    EXPECT_EQ(ids, QList<int>{sameModel});
    displays.findBySerialAndModel(QStringLiteral("A1"), QStringLiteral("Other"), ids);
    EXPECT_EQ(ids, QList<int>{sameSerial});
    displays.findBySerialAndModel(QStringLiteral("A1"), QStringLiteral("Missing"), ids);
    EXPECT_TRUE(ids.isEmpty());

    // A record whose model came from the display's own interface is found by it too.
    const int viaApi = displays.addDisplay(QStringLiteral("C3"), 0, 0, 800, 600, true);
    displays.setRealModel(viaApi, QStringLiteral("RX350"));
    displays.findBySerialAndModel(QStringLiteral("C3"), QStringLiteral("RX350"), ids);
    EXPECT_EQ(ids, QList<int>{viaApi});

    EXPECT_EQ(displays.findBySerial(QStringLiteral("A1")), first);
    displays.findBySerial(QStringLiteral("A1"), ids);
    EXPECT_EQ(ids, (QList<int>{first, sameSerial, duplicate}));
}

TEST_F(DBDisplaysTest, ProjectorsAreFoundByApiSerialWithTheirPort)
{
    DBDisplays displays;
    const int wux = displays.addDisplay(QStringLiteral("net"), 0, 0, 1920, 1200, true);
    displays.setAPISerial(wux,
                          DBDisplays::projectorSerial(QStringLiteral("P100"), QStringLiteral("wux5000"), 2));
    displays.setRealModel(wux, QStringLiteral("wux5000"));
    const int sx = displays.addDisplay(QStringLiteral("net2"), 0, 0, 1400, 1050, true);
    displays.setAPISerial(sx, DBDisplays::projectorSerial(QStringLiteral("P100"), QStringLiteral("sx80"), 2));
    displays.setRealModel(sx, QStringLiteral("sx80"));

    EXPECT_EQ(displays.getAPISerial(wux), QStringLiteral("P100port_2"));
    EXPECT_EQ(displays.getAPISerial(sx), QStringLiteral("P100sx80port_2"));
    EXPECT_EQ(displays.findByAPISerialAndName(QStringLiteral("P100"), QStringLiteral("wux5000"), 2), wux);
    EXPECT_EQ(displays.findByAPISerialAndName(QStringLiteral("P100"), QStringLiteral("sx80"), 2), sx);
    EXPECT_EQ(displays.findByAPISerialAndName(QStringLiteral("P100"), QStringLiteral("wux5000"), 3), -1);
    EXPECT_EQ(displays.findByAPISerial(QStringLiteral("P100port_2")), wux);
}

TEST_F(DBDisplaysTest, StoredTextsParseBackAndGenericAccessIsGuarded)
{
    DBDisplays displays;
    const int id = displays.addDisplay(QStringLiteral("S"), 0, 0, 1, 1, false);
    EXPECT_TRUE(displays.setLUTNames(id, {QStringLiteral("DICOM"), QStringLiteral("sRGB")}));
    EXPECT_TRUE(displays.SetSensorCoords(id, QRect(100, 20, 64, 48)));
    EXPECT_EQ(displays.LUTNames(id), (QStringList{QStringLiteral("DICOM"), QStringLiteral("sRGB")}));
    EXPECT_EQ(displays.GetSensorCoords(id), QRect(100, 20, 64, 48));
    EXPECT_TRUE(displays.setField(QStringLiteral("sensor_coords"), id, QStringLiteral("1,2,three,4")));
    EXPECT_EQ(displays.GetSensorCoords(id), QRect());

    // Generic access refuses names that are not columns of the record.
    EXPECT_FALSE(displays.setField(QStringLiteral("serial = 'x'; --"), id, QStringLiteral("y")));
    EXPECT_FALSE(displays.setField(QStringLiteral("displayid"), id, QStringLiteral("99")));
    EXPECT_EQ(displays.getRealSerial(id), QStringLiteral("S"));
    EXPECT_TRUE(displays.setField(QStringLiteral("display_type"), id, QStringLiteral("7"), true));
    EXPECT_EQ(displays.getField(QStringLiteral("display_type"), id), QStringLiteral("7"));
    EXPECT_EQ(displays.getField(QStringLiteral("no_such_column"), id, QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(DBDisplaysTest, SettingIsInsertedThenUpdatedWithItsUploadFlag)
{
    DBDisplays displays;
    const int id = displays.addDisplay(QStringLiteral("S"), 0, 0, 1, 1, true);
    const QString name = QStringLiteral("ScreenSize");

    ASSERT_TRUE(displays.setDisplayInfo(id, name, QStringLiteral("22'")));
    EXPECT_EQ(displays.getDisplayInfo(id, name), QStringLiteral("22'"));
    EXPECT_TRUE(displays.isDisplayInfoSynchronizeNeed(id, name));

    // The synchroniser has sent it.
    ASSERT_TRUE(displays.setDisplayInfoSynchronizeNeed(id, false));
    EXPECT_FALSE(displays.isDisplayInfoSynchronizeNeed(id, name));

    // The same value again is no change for the server.
    ASSERT_TRUE(displays.setDisplayInfo(id, name, QStringLiteral("22'")));
    EXPECT_FALSE(displays.isDisplayInfoSynchronizeNeed(id, name));

    ASSERT_TRUE(displays.setDisplayInfo(id, name, QStringLiteral("24'")));
    EXPECT_EQ(displays.getDisplayInfo(id, name), QStringLiteral("24'"));
    EXPECT_TRUE(displays.isDisplayInfoSynchronizeNeed(id, name));

    // A value that came from the server is stored without being sent back.
    ASSERT_TRUE(displays.setDisplayInfoSynchronizeNeed(id, false));
    ASSERT_TRUE(displays.setDisplayInfo(id, name, 27, false));
    EXPECT_EQ(displays.getDisplayInfo(id, name), QStringLiteral("27"));
    EXPECT_FALSE(displays.isDisplayInfoSynchronizeNeed(id, name));
    ASSERT_TRUE(displays.setDisplayInfo(id, QStringLiteral("WorkHours"), 12, false));
    EXPECT_FALSE(displays.isDisplayInfoSynchronizeNeed(id, QStringLiteral("WorkHours")));

    EXPECT_EQ(rows(QStringLiteral("DisplayInfo"),
                   {{QStringLiteral("displayid"), QString::number(id)}, {QStringLiteral("name"), name}}),
              1);
    EXPECT_EQ(displays.enumDisplayInfo(id),
              (QMap<QString, QString>{{name, QStringLiteral("27")},
                                      {QStringLiteral("WorkHours"), QStringLiteral("12")}}));

    displays.SetAllDisplaysPreferencesSynchNeeded(true);
    EXPECT_EQ(displays.displayInfoToUpload(id).size(), 2);
}

TEST_F(DBDisplaysTest, FairyDisplayIsCreatedOnceAndMovedAfter)
{
    DBDisplays displays;
    const int left = displays.addDisplay(QStringLiteral("L"), 0, 0, 1920, 1080, true);
    const int right = displays.addDisplay(QStringLiteral("R"), 0, 1920, 1280, 1024, true);

    const int fairy = displays.getFairyDisplay(left);
    ASSERT_GE(fairy, 0);
    EXPECT_NE(fairy, left);
    EXPECT_EQ(displays.getRealSerial(fairy), QStringLiteral("FAIRY-TALE"));
    EXPECT_TRUE(displays.isActive(fairy));
    EXPECT_EQ(displays.getWidth(fairy), 1920);
    const QMap<QString, QString> expected{{QStringLiteral("Model"), QStringLiteral("Fairy Display")},
                                          {QStringLiteral("Manufacturer"), QStringLiteral("Unknown")},
                                          {QStringLiteral("ResolutionHorizontal"), QStringLiteral("1920")},
                                          {QStringLiteral("ResolutionVertical"), QStringLiteral("1080")},
                                          {QStringLiteral("DisplayTechnology"), QStringLiteral("Flat")},
                                          {QStringLiteral("TypeOfDisplay"), QStringLiteral("Color")}};
    EXPECT_EQ(displays.enumDisplayInfo(fairy), expected);
    EXPECT_EQ(displays.displayInfoToUpload(fairy).size(), expected.size());

    displays.activateDisplay(fairy, false);
    EXPECT_EQ(displays.getFairyDisplay(right), fairy);
    EXPECT_EQ(displays.findBySerial(QStringLiteral("FAIRY-TALE")), fairy);
    EXPECT_EQ(rows(QStringLiteral("Displays"), {{QStringLiteral("serial"), QStringLiteral("FAIRY-TALE")}}),
              1);
    EXPECT_TRUE(displays.isActive(fairy));
    EXPECT_EQ(displays.getLeft(fairy), 1920);
    EXPECT_EQ(displays.getWidth(fairy), 1280);
    EXPECT_EQ(displays.getDisplayInfo(fairy, QStringLiteral("ResolutionVertical")), QStringLiteral("1024"));
}

TEST_F(DBDisplaysTest, LutIdentityHashBindsALutToOnePhysicalDisplay)
{
    // Reference digests computed outside the program (MD5 of text + salt, first 9 hex digits).
    EXPECT_EQ(DBDisplays::makeHash(QString()), QStringLiteral("c1da76b1c"));
    EXPECT_EQ(DBDisplays::calibrationHash(QStringLiteral("DEL-4123-ABC"), 7), QStringLiteral("85695bc6b"));

    DBDisplays displays;
    const int id = displays.addDisplay(QStringLiteral("S"), 0, 0, 1, 1, true);
    EXPECT_FALSE(displays.checkCalibrationHash(id, QStringLiteral("DEL-4123-ABC")));
    EXPECT_FALSE(displays.addCalibrationHash(id, QString()));

    ASSERT_TRUE(displays.addCalibrationHash(id, QStringLiteral("DEL-4123-ABC")));
    EXPECT_FALSE(displays.isDisplayInfoSynchronizeNeed(id, QStringLiteral("LastLUTHash")));
    EXPECT_TRUE(displays.checkCalibrationHash(id, QStringLiteral("DEL-4123-ABC")));
    EXPECT_FALSE(displays.checkCalibrationHash(id, QStringLiteral("DEL-4123-XYZ")));
    EXPECT_FALSE(displays.checkCalibrationHash(id, QString()));
}

} // namespace
