#include "tests/db/DbTestSupport.h"

#include <algorithm>

namespace {

// Files written by older versions of the suite, brought up to date by one pass.
class SchemaUpgrade : public FreshDatabase
{
protected:
    void fixture(const QStringList& statements)
    {
        for (const QString& statement : statements)
            outside(statement);
    }
};

TEST_F(SchemaUpgrade, MissingColumnsAreAddedAndOldRowsStayVisibleToLaterQueries)
{
    fixture({"CREATE TABLE History(historyid INTEGER PRIMARY KEY, deviceid INTEGER, runtime INTEGER, "
             "textname TEXT, "
             "result INTEGER, historytype INTEGER)",
             "INSERT INTO History(deviceid, runtime, textname, result, historytype) VALUES(3, 100, 'QA one', "
             "2, 1)",
             "INSERT INTO History(deviceid, runtime, textname, result, historytype) VALUES(3, 200, 'QA two', "
             "1, 1)",
             "CREATE TABLE Displays(displayid INTEGER PRIMARY KEY, serial TEXT, top INTEGER, left INTEGER)",
             "INSERT INTO Displays(serial, top, left) VALUES('SN-1', 0, 1920)",
             "CREATE TABLE UserScheduling(taskid INTEGER PRIMARY KEY, displayid INTEGER, nextrun INTEGER)",
             "INSERT INTO UserScheduling(displayid, nextrun) VALUES(3, 1000)"});
    ASSERT_TRUE(Schema::checkAll(db()));

    EXPECT_EQ(
        outside("SELECT historyid, runtime, textname FROM History WHERE isdisabled = 0 AND issynchron = 0 "
                "ORDER BY runtime"),
        QList<QStringList>({{"1", "100", "QA one"}, {"2", "200", "QA two"}}));
    // The display id of old records stays unset until it is filled from deviceid.
    EXPECT_EQ(outsideCount("History WHERE displayid IS NULL"), 2);
    EXPECT_EQ(
        outside("SELECT serial, left, commode, setInternalSensor, ambient_sensor, sensor_type FROM Displays"),
        QList<QStringList>({{"SN-1", "1920", "19", "unknow", "true", "color"}}));
    // The scheduler's due-task filter must still see tasks planned by an older version.
    EXPECT_EQ(
        outsideCount("UserScheduling WHERE Disabled<>'true' AND (IsDelete IS NULL OR IsDelete <> 1) AND "
                     "IsHide <> 1"),
        1);
    EXPECT_EQ(db().tableColumns("History"), Schema::table("History").columns);
}

// Column name, type, not-null, default and key of every column, in name order.
QList<QStringList> declaration(KaldoDynamicData& db, const QString& table)
{
    QList<QStringList> columns;
    for (KaldoDataIterator it = db.query(QStringLiteral("PRAGMA table_info(") + table + QLatin1Char(')'));
         !it.IsNull(); ++it)
        columns << QStringList{it.value("name"), it.value("type"), it.value("notnull"),
                               it.value("dflt_value"), it.value("pk")};
    std::sort(columns.begin(), columns.end());
    return columns;
}

TEST_F(SchemaUpgrade, UpgradedTablesAreDeclaredExactlyLikeFreshOnes)
{
    fixture({"CREATE TABLE Displays(displayid INTEGER PRIMARY KEY, serial TEXT, top INTEGER, left INTEGER)",
             "INSERT INTO Displays(serial) VALUES('SN-1')",
             "CREATE TABLE CurrentDisplays(id INTEGER PRIMARY KEY, name TEXT)",
             "CREATE TABLE History(historyid INTEGER PRIMARY KEY, deviceid INTEGER)"});
    ASSERT_TRUE(Schema::checkAll(db()));
    KaldoDynamicData fresh(TestPaths::freshFolder("db-fresh-twin"), DB::DEFAULT_OPTIONS, DB::DATABASE_NAME,
                           99);
    ASSERT_TRUE(Schema::checkAll(fresh));
    for (const TableSchema& table : Schema::all())
        EXPECT_EQ(declaration(db(), table.name), declaration(fresh, table.name)) << table.name.toStdString();

    // Old rows still get the values a new record would have had...
    EXPECT_EQ(outside("SELECT commode, setInternalSensor FROM Displays"),
              QList<QStringList>({{"19", "unknow"}}));
    // ...but a row written later without them is the same in both files.
    ASSERT_TRUE(db().exec("INSERT INTO Displays(serial) VALUES('SN-2')"));
    ASSERT_TRUE(fresh.exec("INSERT INTO Displays(serial) VALUES('SN-2')"));
    const QString probe =
        "SELECT commode IS NULL, setInternalSensor IS NULL FROM Displays WHERE serial = 'SN-2'";
    EXPECT_EQ(db().query(probe).values(), fresh.query(probe).values());
    EXPECT_EQ(outside(probe), QList<QStringList>({{"1", "1"}}));
}

TEST_F(SchemaUpgrade, ColumnOfAnotherTypeIsRebuiltKeepingEveryRowAndValue)
{
    fixture({"CREATE TABLE LUTEntries(currentlutid TEXT, ddl TEXT, channel INTEGER, value TEXT)",
             "CREATE TABLE Displays(displayid INTEGER, serial TEXT, model TEXT)",
             "INSERT INTO Displays VALUES(4, 'SN-4', 'M')", "INSERT INTO Displays VALUES(9, 'SN-9', 'M')",
             "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 299) "
             "INSERT INTO LUTEntries SELECT '7', CAST(i AS TEXT), i % 3, CAST(i * 3 AS TEXT) FROM n",
             "INSERT INTO LUTEntries VALUES('8', '0', 0, 'n/a')"});
    ASSERT_TRUE(Schema::checkAll(db()));

    EXPECT_EQ(db().tableColumns("LUTEntries").value("value"), KdoData::Integer);
    EXPECT_EQ(outsideCount("LUTEntries"), 301);
    // A value that is no number stays as it was rather than being lost to the new type.
    EXPECT_EQ(outside("SELECT value FROM LUTEntries WHERE currentlutid = 8").value(0).value(0), "n/a");
    EXPECT_EQ(outside("SELECT SUM(value), typeof(value) FROM LUTEntries WHERE currentlutid = 7").value(0),
              QStringList({QString::number(3 * 299 * 300 / 2), "integer"}));
    // The display key became the table's key; old ids are kept and new ones follow them.
    EXPECT_EQ(db().tableColumns("Displays").value("displayid"), KdoData::AutoKey);
    qint64 id = 0;
    ASSERT_TRUE(db().addinfo("Displays", {{"serial", "SN-new"}}, &id));
    EXPECT_EQ(id, 10);
    EXPECT_EQ(outside("SELECT displayid, serial FROM Displays ORDER BY displayid"),
              QList<QStringList>({{"4", "SN-4"}, {"9", "SN-9"}, {"10", "SN-new"}}));
    EXPECT_FALSE(db().tableExists("tmp"));
    // Indexes survive the rebuild.
    EXPECT_EQ(outsideCount("sqlite_master WHERE type='index' AND tbl_name='LUTEntries'"), 1);
}

TEST_F(SchemaUpgrade, ExtraColumnsAreKeptUnlessTheTableIsRebuilt)
{
    fixture(
        {"CREATE TABLE Preferences(name TEXT, value TEXT, isupdate INTEGER, note TEXT)",
         "INSERT INTO Preferences VALUES('Language', 'Deutsch', 0, 'kept')",
         "CREATE TABLE CalLUTs(calhistoryid INTEGER, ddl INTEGER, channel INTEGER, value TEXT, extra TEXT)",
         "INSERT INTO CalLUTs VALUES(1, 0, 0, '5', 'gone')"});
    ASSERT_TRUE(Schema::checkAll(db()));
    EXPECT_EQ(outside("SELECT name, value, note FROM Preferences"),
              QList<QStringList>({{"Language", "Deutsch", "kept"}}));
    EXPECT_EQ(outside("SELECT calhistoryid, value FROM CalLUTs"), QList<QStringList>({{"1", "5"}}));
    EXPECT_FALSE(db().tableColumns("CalLUTs").contains("extra"));
}

TEST_F(SchemaUpgrade, LeftoverTmpGoesBackToTheTableItCameFromOrIsSetAside)
{
    // An older program renamed History to tmp and stopped before creating the new table.
    fixture(
        {"CREATE TABLE tmp(historyid INTEGER PRIMARY KEY, deviceid INTEGER, runtime INTEGER, textname TEXT)",
         "INSERT INTO tmp(deviceid, runtime, textname) VALUES(1, 50, 'Calibration')"});
    ASSERT_TRUE(Schema::checkAll(db()));
    EXPECT_FALSE(db().tableExists("tmp"));
    EXPECT_EQ(outside("SELECT deviceid, runtime, textname, isdisabled FROM History"),
              QList<QStringList>({{"1", "50", "Calibration", "0"}}));

    // A tmp nobody can claim keeps its rows under another name; an empty one is just dropped.
    fixture({"CREATE TABLE tmp(foo TEXT, bar TEXT)", "INSERT INTO tmp VALUES('a', 'b')"});
    ASSERT_TRUE(db().CheckTable("History", Schema::table("History").columns));
    EXPECT_FALSE(db().tableExists("tmp"));
    EXPECT_EQ(outsideCount("sqlite_master WHERE type='table' AND name LIKE 'tmp_saved_%'"), 1);
    fixture({"CREATE TABLE tmp(foo TEXT)"});
    ASSERT_TRUE(db().CheckTable("History", Schema::table("History").columns));
    EXPECT_FALSE(db().tableExists("tmp"));
    EXPECT_EQ(outsideCount("sqlite_master WHERE type='table' AND name LIKE 'tmp_saved_%'"), 1);
}

TEST_F(SchemaUpgrade, FailedRebuildLeavesTheOldTableAndIsTriedAgain)
{
    // Two rows share a display id, so the id cannot become the key.
    fixture({"CREATE TABLE Displays(displayid TEXT, serial TEXT)", "INSERT INTO Displays VALUES('1', 'SN-a')",
             "INSERT INTO Displays VALUES('1', 'SN-b')"});
    EXPECT_FALSE(Schema::checkAll(db()));
    EXPECT_EQ(outside("SELECT displayid, serial FROM Displays ORDER BY serial"),
              QList<QStringList>({{"1", "SN-a"}, {"1", "SN-b"}}));
    EXPECT_FALSE(db().tableColumns("Displays").contains("commode"));
    EXPECT_FALSE(db().tableExists("tmp"));
    // The other tables are still brought up to date.
    EXPECT_TRUE(db().tableExists("History"));

    outside("UPDATE Displays SET displayid = '2' WHERE serial = 'SN-b'");
    EXPECT_TRUE(Schema::checkAll(db()));
    EXPECT_EQ(outside("SELECT displayid, serial, commode FROM Displays ORDER BY displayid"),
              QList<QStringList>({{"1", "SN-a", "19"}, {"2", "SN-b", "19"}}));
}

TEST_F(SchemaUpgrade, RenamingColumnsKeepsRows)
{
    fixture({"CREATE TABLE Old(a INTEGER, b TEXT)", "INSERT INTO Old VALUES(1, 'x')",
             "INSERT INTO Old VALUES(2, 'y')"});
    ASSERT_TRUE(db().renameTableColumns("Old", {{"b", "label"}}));
    EXPECT_EQ(outside("SELECT a, label FROM Old ORDER BY a"), QList<QStringList>({{"1", "x"}, {"2", "y"}}));
    EXPECT_EQ(db().tableColumns("Old").value("a"), KdoData::Integer);
    // A rename onto an existing name would merge two columns: refused, nothing changes.
    EXPECT_FALSE(db().renameTableColumns("Old", {{"label", "a"}}));
    EXPECT_EQ(outside("SELECT a, label FROM Old ORDER BY a"), QList<QStringList>({{"1", "x"}, {"2", "y"}}));
}

} // namespace
