#include "tests/db/DbTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

class Engine : public FreshDatabase
{
protected:
    void SetUp() override
    {
        FreshDatabase::SetUp();
        ASSERT_TRUE(db().CheckTable(QStringLiteral("Sample"), {{QStringLiteral("id"), KdoData::AutoKey},
                                                               {QStringLiteral("name"), KdoData::Text},
                                                               {QStringLiteral("amount"), KdoData::Integer},
                                                               {QStringLiteral("level"), KdoData::Real}}));
    }
    qint64 add(const QString& name, const QString& amount, const QString& level = QString())
    {
        qint64 id = -1;
        EXPECT_TRUE(db().addinfo(QStringLiteral("Sample"),
                                 {{QStringLiteral("name"), name},
                                  {QStringLiteral("amount"), amount},
                                  {QStringLiteral("level"), level}},
                                 &id));
        return id;
    }
};

TEST_F(FreshDatabase, FreshFileGetsEveryTableWithItsColumnsLetterForLetter)
{
    ASSERT_TRUE(Schema::checkAll(db()));
    const QList<TableSchema> tables = Schema::all();
    EXPECT_EQ(tables.size(), 43);
    for (const TableSchema& table : tables) {
        EXPECT_TRUE(db().tableExists(table.name)) << table.name.toStdString();
        const auto existing =
            outside(QStringLiteral("PRAGMA table_info(") + table.name + QStringLiteral(")"));
        QStringList names;
        for (const QStringList& row : existing)
            names << row.at(1);
        EXPECT_EQ(names, QStringList(table.columns.keys())) << table.name.toStdString();
        EXPECT_EQ(db().tableColumns(table.name), table.columns) << table.name.toStdString();
        for (const QStringList& index : table.indexes) {
            EXPECT_EQ(
                outside(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='index' AND name='") +
                        table.indexName(index) + QLatin1Char('\''))
                    .value(0)
                    .value(0),
                QStringLiteral("1"));
        }
    }
    // Names the main application relies on, spelled as it spells them.
    for (const char* name : {"CAlibrationCurvesInfo", "ShotdownSafeSystem", "precalibrationChecks"})
        EXPECT_TRUE(db().tableExists(name));
    EXPECT_TRUE(Schema::table(QStringLiteral("CurrentDisplays")).columns.contains("backgound_calibration"));
    EXPECT_TRUE(Schema::table(QStringLiteral("CalMeasurements")).columns.contains("reasureR"));
    EXPECT_EQ(Schema::table(QStringLiteral("precalibrationChecks")).columns.value("resulct"),
              KdoData::Integer);
    EXPECT_EQ(outside(QStringLiteral("PRAGMA integrity_check")).value(0).value(0), QStringLiteral("ok"));
    // A second pass over an up-to-date file changes nothing.
    const auto before = outside(QStringLiteral("SELECT sql FROM sqlite_master ORDER BY name"));
    ASSERT_TRUE(Schema::checkAll(db()));
    EXPECT_EQ(outside(QStringLiteral("SELECT sql FROM sqlite_master ORDER BY name")), before);
}

TEST_F(Engine, ValuesAreStoredAsGivenAndNumbersAreChecked)
{
    const qint64 first =
        add(QStringLiteral("O'Brien's \"LUT\""), QStringLiteral("12"), QStringLiteral("0.25"));
    const qint64 second = add(QStringLiteral("empty"), QString());
    EXPECT_GT(first, 0);
    EXPECT_EQ(second, first + 1);

    KaldoDataIterator it =
        db().readinfo(QStringLiteral("Sample"), {{QStringLiteral("id"), QString::number(first)}});
    ASSERT_FALSE(it.IsNull());
    EXPECT_EQ(it.value("name"), QStringLiteral("O'Brien's \"LUT\""));
    EXPECT_EQ(it.value("amount"), QStringLiteral("12"));
    EXPECT_EQ(it.value("level"), QStringLiteral("0.25"));
    EXPECT_TRUE((++it).IsNull());
    // Empty numbers are stored as 0, as integers, so numeric comparisons find them.
    EXPECT_EQ(outside(QStringLiteral("SELECT amount, typeof(amount), level FROM Sample WHERE name='empty'"))
                  .value(0),
              QStringList({"0", "integer", "0"}));

    // Not a number: refused, nothing written.
    EXPECT_FALSE(
        db().addinfo(QStringLiteral("Sample"), {{QStringLiteral("amount"), QStringLiteral("1); DROP")}}));
    EXPECT_FALSE(db().changeinfo(QStringLiteral("Sample"), {{QStringLiteral("id"), QString::number(first)}},
                                 {{QStringLiteral("amount"), QStringLiteral("twelve")}}));
    EXPECT_EQ(db().count(QStringLiteral("Sample")), 2);

    // A hostile value in a condition is only a value.
    EXPECT_EQ(
        db().count(QStringLiteral("Sample"), {{QStringLiteral("name"), QStringLiteral("x' OR '1'='1")}}), 0);
    EXPECT_FALSE(db().delinfo(QStringLiteral("Sample"), KaldoDynamicData::Values{}));
    EXPECT_FALSE(db().addinfo(QStringLiteral("Sample; DROP TABLE Sample"), {{QStringLiteral("name"), "a"}}));
    EXPECT_FALSE(db().addinfo(QStringLiteral("Sample"), {{QStringLiteral("name) VALUES('a');--"), "a"}}));
    EXPECT_EQ(db().count(QStringLiteral("Sample")), 2);

    EXPECT_TRUE(db().changeinfo(QStringLiteral("Sample"), {{QStringLiteral("name"), QStringLiteral("empty")}},
                                {{QStringLiteral("amount"), QStringLiteral("7")}}));
    EXPECT_EQ(db().count(QStringLiteral("Sample"), {{QStringLiteral("amount"), QStringLiteral("7")}}), 1);
    EXPECT_TRUE(db().delinfo(QStringLiteral("Sample"), {{QStringLiteral("amount"), QStringLiteral("7")}}));
    EXPECT_EQ(db().count(QStringLiteral("Sample")), 1);
    EXPECT_EQ(db().readinfo(QStringLiteral("Sample"), QStringLiteral("amount > 10")).rowCount(), 1);
}

// Writes stay prepared per connection; reads and writes must still follow
// the table when another program changes it, and they must not keep the file locked.
TEST_F(Engine, KeptStatementsFollowTheTableAndLeaveTheFileFree)
{
    const qint64 id = add(QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("0.5"));
    const KaldoDynamicData::Values byId{{QStringLiteral("id"), QString::number(id)}};
    EXPECT_EQ(db().readinfo(QStringLiteral("Sample"), byId).value("name"), QStringLiteral("a"));
    const int kept = db().cachedStatementCount();
    EXPECT_GT(kept, 0);

    // The main application writes while this connection's statements stay prepared.
    outside(QStringLiteral("INSERT INTO Sample(name, amount) VALUES('b', 2)"));
    EXPECT_EQ(db().count(QStringLiteral("Sample")), 2);

    outside(QStringLiteral("ALTER TABLE Sample ADD note TEXT"));
    outside(QStringLiteral("UPDATE Sample SET note = 'added'"));
    EXPECT_EQ(db().readinfo(QStringLiteral("Sample"), byId).value("note"), QStringLiteral("added"));

    // Rebuilt with its columns in another order.
    outside(QStringLiteral("CREATE TABLE Copy(note TEXT, level REAL, name TEXT, amount INTEGER, id INTEGER "
                           "PRIMARY KEY)"));
    outside(QStringLiteral("INSERT INTO Copy SELECT note, level, name, amount, id FROM Sample"));
    outside(QStringLiteral("DROP TABLE Sample"));
    outside(QStringLiteral("ALTER TABLE Copy RENAME TO Sample"));
    const KaldoDataIterator::Row row = db().readinfo(QStringLiteral("Sample"), byId).values();
    EXPECT_EQ(row.value("name"), QStringLiteral("a"));
    EXPECT_EQ(row.value("amount"), QStringLiteral("1"));
    EXPECT_EQ(row.value("level"), QStringLiteral("0.5"));
    EXPECT_EQ(add(QStringLiteral("c"), QStringLiteral("3")), 3);
    EXPECT_EQ(outside(QStringLiteral("SELECT name, amount FROM Sample WHERE id = 3")),
              QList<QStringList>({{"c", "3"}}));
}

// Kept statements are bound by name after their '?' marks are renamed; a mark
// inside quoted text is text, and a repeated insert shape follows a new declaration.
TEST_F(Engine, KeptStatementsBindTheirOwnMarksAndFollowANewDeclaration)
{
    ASSERT_TRUE(db().exec(QStringLiteral("INSERT INTO Sample(name, amount) VALUES('why?', ?)"), {5}));
    ASSERT_TRUE(db().exec(QStringLiteral("INSERT INTO Sample(name, amount) VALUES(\"?\", ?)"), {6}));
    for (int round = 0; round < 2; ++round) {
        KaldoDataIterator it = db().query(
            QStringLiteral("SELECT name, amount FROM Sample WHERE name = 'why?' AND amount = ?"), {5});
        ASSERT_FALSE(it.IsNull());
        EXPECT_EQ(it.integer(QStringLiteral("amount")), 5);
        EXPECT_TRUE((++it).IsNull());
    }
    // Too few or too many values: refused, not bound to the wrong marks.
    EXPECT_FALSE(
        db().exec(QStringLiteral("INSERT INTO Sample(name, amount) VALUES(?, ?)"), {QStringLiteral("x")}));
    EXPECT_TRUE(db().query(QStringLiteral("SELECT name FROM Sample WHERE amount = ?"), {1, 2}).IsNull());
    EXPECT_EQ(db().count(QStringLiteral("Sample")), 2);

    // An empty key is left to SQLite, a given one is used, in any order of calls.
    const qint64 next = add(QStringLiteral("n"), QStringLiteral("1"));
    qint64 id = -1;
    EXPECT_TRUE(db().addinfo(QStringLiteral("Sample"),
                             {{QStringLiteral("id"), QStringLiteral("100")}, {QStringLiteral("name"), "k"}},
                             &id));
    EXPECT_EQ(id, 100);
    EXPECT_TRUE(db().addinfo(QStringLiteral("Sample"),
                             {{QStringLiteral("id"), QString()}, {QStringLiteral("name"), "e"}}, &id));
    EXPECT_EQ(id, 101);
    EXPECT_GT(next, 0);

    // The same shape after the column became text: stored as the text given.
    const KaldoDynamicData::Values shape{{QStringLiteral("amount"), QStringLiteral("007")}};
    EXPECT_TRUE(db().addinfo(QStringLiteral("Sample"), shape, &id));
    ASSERT_TRUE(db().CheckTable(QStringLiteral("Sample"), {{QStringLiteral("id"), KdoData::AutoKey},
                                                           {QStringLiteral("name"), KdoData::Text},
                                                           {QStringLiteral("amount"), KdoData::Text},
                                                           {QStringLiteral("level"), KdoData::Real}}));
    EXPECT_TRUE(db().addinfo(QStringLiteral("Sample"), shape));
    EXPECT_EQ(outside(QStringLiteral("SELECT amount FROM Sample WHERE id > ") + QString::number(id - 1) +
                      QStringLiteral(" ORDER BY id")),
              QList<QStringList>({{"7"}, {"007"}}));

    KaldoDataIterator it = db().query(QStringLiteral("SELECT name FROM Sample WHERE id = 100"));
    bool ok = true;
    EXPECT_EQ(it.integer(QStringLiteral("missing"), &ok), 0);
    EXPECT_FALSE(ok);
}

// Rows keep integers apart from other values: every kind must read back as the
// driver gave it, as text and as a number.
TEST_F(Engine, RowsReadBackEveryKindOfValue)
{
    outside(QStringLiteral(
        "INSERT INTO Sample(id, name, amount, level) VALUES(1, NULL, 9007199254740993, 0.25)"));
    outside(QStringLiteral("INSERT INTO Sample(id, name, amount, level) VALUES(2, '12abc', -5, NULL)"));
    KaldoDataIterator it =
        db().query(QStringLiteral("SELECT id, name, amount, level FROM Sample ORDER BY id"));
    ASSERT_EQ(it.rowCount(), 2);
    EXPECT_EQ(it.values(),
              KaldoDataIterator::Row(
                  {{"id", "1"}, {"name", ""}, {"amount", "9007199254740993"}, {"level", "0.25"}}));
    EXPECT_EQ(it.integer(QStringLiteral("amount")), 9007199254740993LL);
    bool ok = true;
    EXPECT_EQ(it.integer(QStringLiteral("name"), &ok), 0);
    EXPECT_FALSE(ok);
    ++it;
    EXPECT_EQ(it.value(QStringLiteral("name")), QStringLiteral("12abc"));
    EXPECT_EQ(it.integer(QStringLiteral("amount")), -5);
    EXPECT_EQ(it.value(QStringLiteral("level")), QString());
    EXPECT_EQ(it.integer(QStringLiteral("name"), &ok), 0);
    EXPECT_FALSE(ok);
}

TEST_F(Engine, IteratorCopiesShareOnePosition)
{
    add(QStringLiteral("a"), QStringLiteral("1"));
    add(QStringLiteral("b"), QStringLiteral("2"));
    KaldoDataIterator it = db().query(QStringLiteral("SELECT name FROM Sample ORDER BY name"));
    KaldoDataIterator copy = it;
    ++copy;
    EXPECT_EQ(it.value("name"), QStringLiteral("b"));
    ++it;
    EXPECT_TRUE(copy.IsNull());
    EXPECT_TRUE(copy.values().isEmpty());
    ++it; // past the end stays at the end
    EXPECT_TRUE(it.IsNull());
}

TEST_F(Engine, BrokenStatementsAreLoggedAndAnsweredEmpty)
{
    EXPECT_FALSE(db().exec(QStringLiteral("INSERT INTO NoSuchTable VALUES(1)")));
    EXPECT_TRUE(db().query(QStringLiteral("SELECT * FROM NoSuchTable")).IsNull());
    EXPECT_EQ(db().count(QStringLiteral("NoSuchTable")), 0);
    EXPECT_FALSE(db().RemoveTable(QStringLiteral("NoSuchTable")));
    EXPECT_TRUE(db().RemoveTable(QStringLiteral("Sample")));
    EXPECT_FALSE(db().tableExists(QStringLiteral("Sample")));
}

TEST(DatabaseFile, FolderWithOrWithoutSlashNamesTheSameFile)
{
    EXPECT_EQ(KaldoDynamicData::fullPath(QStringLiteral("/data/x"), QStringLiteral("Storage")),
              QStringLiteral("/data/x/Storage.db"));
    EXPECT_EQ(KaldoDynamicData::fullPath(QStringLiteral("/data/x/"), QStringLiteral("Storage")),
              QStringLiteral("/data/x/Storage.db"));
}

TEST(DatabaseFile, UnusableFileLeavesAnUnopenedConnectionThatFailsSoftly)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("db-unusable"));
    // A folder where the database file should be: SQLite cannot open it.
    QDir(folder).mkpath(QStringLiteral("Storage.db"));
    KaldoDynamicData db(folder, DB::DEFAULT_OPTIONS, DB::DATABASE_NAME, 1);
    EXPECT_FALSE(db.IsOpened());
    EXPECT_FALSE(db.CheckTable(QStringLiteral("T"), {{QStringLiteral("a"), KdoData::Text}}));
    EXPECT_FALSE(db.addinfo(QStringLiteral("T"), {{QStringLiteral("a"), QStringLiteral("x")}}));
    EXPECT_TRUE(db.readinfo(QStringLiteral("T")).IsNull());
    EXPECT_FALSE(db.startTransaction());
    EXPECT_FALSE(db.finishTransaction());
    EXPECT_EQ(db.transactionDepth(), 0);
}

TEST(DatabaseFile, APrivateDatabaseIsReadAndWrittenByThisUserOnly)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("db-permissions"));
    // A file left world-writable by an older version is narrowed too.
    QFile old(folder + QStringLiteral("/Storage.db"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    ASSERT_TRUE(old.setPermissions(QFileDevice::Permissions(0x6666)));
    KaldoDynamicData db(folder, DB::DEFAULT_OPTIONS, DB::DATABASE_NAME, 1);
    ASSERT_TRUE(db.IsOpened());
    const QFileDevice::Permissions permissions = QFileInfo(db.filePath()).permissions();
    EXPECT_EQ(permissions & 0x0077, QFileDevice::Permissions());
    EXPECT_TRUE(permissions.testFlag(QFileDevice::WriteOwner));
}

TEST(DatabaseFile, ALinkPlantedUnderTheNameIsNotOpened)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("db-link"));
    const QString victim = folder + QStringLiteral("/victim");
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("secret");
    file.close();
    ASSERT_TRUE(QFile::setPermissions(victim, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(victim, folder + QStringLiteral("/Storage.db")));
    KaldoDynamicData db(folder, DB::DEFAULT_OPTIONS, DB::DATABASE_NAME, 1);
    EXPECT_FALSE(db.IsOpened());
    EXPECT_EQ(QFileInfo(victim).permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "secret");
}

} // namespace

namespace {

TEST(DatabaseFile, FileThatIsNotADatabaseIsReportedAndLeftUntouched)
{
    const QString folder = TestPaths::freshFolder(QStringLiteral("db-garbage"));
    const QString path = KaldoDynamicData::fullPath(folder, DB::DATABASE_NAME);
    QByteArray garbage(8192, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 131) ^ 0x5a);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    {
        KaldoDynamicData db(folder, DB::DEFAULT_OPTIONS, DB::DATABASE_NAME, 1);
        EXPECT_FALSE(Schema::checkAll(db));
        EXPECT_TRUE(db.readinfo(QStringLiteral("Preferences")).IsNull());
        EXPECT_FALSE(
            db.addinfo(QStringLiteral("Preferences"), {{QStringLiteral("name"), QStringLiteral("x")}}));
        EXPECT_EQ(db.transactionDepth(), 0);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}

} // namespace
