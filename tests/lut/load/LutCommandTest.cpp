// lutloaderctl lut, run as a separate program against the test's database and simulated workstation.
#include "app/KaldoSharedMemory.h"
#include "app/LockKeys.h"
#include "db/DB.h"
#include "db/DBDisplayCurrentLUT.h"
#include "db/DBDisplays.h"
#include "db/KaldoDynamicData.h"
#include "lut/LUTLoadingThread.h"
#include "tests/lut/load/LutLoadFixture.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

struct CtlRun
{
    int exitCode = -1;
    QJsonObject json;
    QByteArray err;
    std::string error() const { return json.value("error").toString().toStdString(); }
};

luts_t tableOf(const QJsonArray& channels)
{
    luts_t table;
    for (const QJsonValue& channel : channels) {
        table.emplace_back();
        for (const QJsonValue& value : channel.toArray())
            table.back().push_back(value.toInt());
    }
    return table;
}

class LutCommandTest : public LutLoadFixture
{
protected:
    // The tool finds the database in the test program's data directory.
    QString databaseFolder(const QString&) const override { return TestPaths::dataDirectory(); }

    void SetUp() override
    {
        LutLoadFixture::SetUp();
        // The data directory's database outlives a test: drop what earlier tests stored.
        for (const char* output : {"DP-1", "DP-2", "DP-3"})
            DBDisplayCurrentLUT().clean(idOf(output));
    }

    CtlRun ctl(const QStringList& args, const QByteArray& input = {}) const
    {
        const ProgramRun program = ProgramRun::ctl(
            QStringList{"--platform", "sim", "--workstation", workstationFile(), "--json"} + args, input);
        return {program.exitCode, QJsonDocument::fromJson(program.out).object(), program.err};
    }
};

} // namespace

TEST_F(LutCommandTest, LoadShowAndUnloadChangeWhatTheDisplayHolds)
{
    const luts_t table = curve(256, 65280, 1.9);
    storeLut("DP-1", table);
    const QString id = QString::number(idOf("DP-1"));

    const CtlRun load = ctl({"lut", "load", id});
    ASSERT_EQ(load.exitCode, 0) << load.err.toStdString();
    EXPECT_TRUE(load.json.value("calibrated").toBool());
    EXPECT_TRUE(load.json.value("finished").toBool());
    EXPECT_FALSE(load.json.value("failed").toBool());
    EXPECT_EQ(cardTable("DP-1"), table);
    EXPECT_EQ(cardTable("DP-2"), linear(256, 65535));

    const CtlRun shown = ctl({"lut", "show", id});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_EQ(tableOf(shown.json.value("stored").toArray()), table);
    EXPECT_EQ(tableOf(shown.json.value("held").toArray()), table);
    EXPECT_TRUE(shown.json.value("held_same_as_stored").toBool());
    EXPECT_EQ(shown.json.value("luttype").toInt(), 2);

    const CtlRun unload = ctl({"lut", "unload", id});
    ASSERT_EQ(unload.exitCode, 0) << unload.err.toStdString();
    EXPECT_FALSE(unload.json.value("calibrated").toBool());
    EXPECT_EQ(cardTable("DP-1"), linear(256, 65280));
    const CtlRun after = ctl({"lut", "show", id});
    EXPECT_FALSE(after.json.value("held_same_as_stored").toBool());
    EXPECT_EQ(tableOf(after.json.value("held").toArray()), linear(256, 65280));
}

TEST_F(LutCommandTest, InternalTablesLoadShowAndUnloadInTheMonitor)
{
    const luts_t table = curve(16, 1000, 2.0);
    storeLut("DP-3", table, 1);
    const QString id = QString::number(idOf("DP-3"));

    const CtlRun load = ctl({"lut", "load", id});
    ASSERT_EQ(load.exitCode, 0) << load.err.toStdString();
    EXPECT_TRUE(load.json.value("calibrated").toBool());
    EXPECT_EQ(monitorTable("DP-3"), table);
    EXPECT_EQ(cardTable("DP-3"), linear(1024, 65535)) << "the card is not the target";

    const CtlRun shown = ctl({"lut", "show", id});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.json.value("luttype").toInt(), 1);
    EXPECT_EQ(tableOf(shown.json.value("held").toArray()), table) << "read back from the monitor";
    EXPECT_TRUE(shown.json.value("held_same_as_stored").toBool());

    const CtlRun unload = ctl({"lut", "unload", id});
    ASSERT_EQ(unload.exitCode, 0) << unload.err.toStdString();
    EXPECT_FALSE(unload.json.value("calibrated").toBool());
    EXPECT_EQ(monitorTable("DP-3"), linear(16, 1023));
    EXPECT_FALSE(ctl({"lut", "show", id}).json.value("held_same_as_stored").toBool());
}

TEST_F(LutCommandTest, RefusalsNameTheReasonAndLeaveTheCardAlone)
{
    storeLut("DP-1", curve(256, 65280));
    const QString id = QString::number(idOf("DP-1"));

    const CtlRun nothingStored = ctl({"lut", "load", QString::number(idOf("DP-2"))});
    EXPECT_EQ(nothingStored.exitCode, 1);
    EXPECT_NE(nothingStored.error().find("has no stored LUT"), std::string::npos) << nothingStored.error();

    const CtlRun unknown = ctl({"lut", "load", "9999"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.error(), "display 9999 is not attached");

    EXPECT_EQ(ctl({"lut", "reload", id}).exitCode, 2);
    EXPECT_EQ(ctl({"lut", "load", "DP-1"}).exitCode, 2);

    {
        // The agent (here: this test) is loading: the tool gives up instead of writing beside it.
        KaldoSharedMemory busy(SHARED_MEMORY_KEY_LUT, "test", 1);
        ASSERT_TRUE(busy.Lock());
        const CtlRun refused = ctl({"lut", "load", id});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_NE(refused.error().find("busy lock \"lut\" is held"), std::string::npos) << refused.error();
    }
    EXPECT_EQ(cardTable("DP-1"), linear(256, 65535));

    // A truncated table fails the load and says so.
    luts_t truncated = curve(256, 65280);
    for (auto& channel : truncated)
        channel.resize(64);
    storeLut("DP-1", truncated);
    const CtlRun failed = ctl({"lut", "load", id});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.json.value("failed").toBool());
    EXPECT_FALSE(failed.json.value("calibrated").toBool());
}

// An administrator stores a new calibration: a ramp in the form `gamma get` prints, or a power curve.
// The stored table is what the next load writes; malformed input stores nothing.
TEST_F(LutCommandTest, StoredTablesComeFromRampTextOrAPowerCurve)
{
    const QString id = QString::number(idOf("DP-1"));
    const luts_t table = curve(256, 65280, 1.8);
    QByteArray text;
    for (const auto& channel : table) {
        QStringList values;
        for (const int value : channel)
            values << QString::number(value);
        text += values.join(' ').toLatin1() + '\n';
    }
    ASSERT_TRUE(DBDisplays().setDisplayInfo(idOf("DP-1"), "LastLUTHash", QString(), false));
    const CtlRun fromText = ctl({"lut", "store", id, "-"}, text);
    ASSERT_EQ(fromText.exitCode, 0) << fromText.err.toStdString();
    EXPECT_EQ(fromText.json.value("entries").toInt(), 256);
    // The table is bound to the physical display it was stored for.
    EXPECT_TRUE(DBDisplays().checkCalibrationHash(idOf("DP-1")));
    ASSERT_EQ(ctl({"lut", "load", id}).exitCode, 0);
    EXPECT_EQ(cardTable("DP-1"), table);

    ASSERT_EQ(ctl({"lut", "store", id, "--gamma", "1"}).exitCode, 0);
    const CtlRun shown = ctl({"lut", "show", id});
    const luts_t stored = tableOf(shown.json.value("stored").toArray());
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1][0], 0);
    EXPECT_EQ(stored[1][128], 32896); // 65535 * 128 / 255, rounded
    EXPECT_EQ(stored[1][255], 65535);

    EXPECT_EQ(ctl({"lut", "store", id, "-"}, "1 2 3\n4 5\n").exitCode, 2);
    EXPECT_EQ(ctl({"lut", "store", id, "--gamma", "0"}).exitCode, 2);
    EXPECT_EQ(ctl({"lut", "store", id}).exitCode, 2);
    EXPECT_EQ(tableOf(ctl({"lut", "show", id}).json.value("stored").toArray()), stored);
}

// The other program (or anyone who can write the database) may leave a damaged table; the
// display must keep what it shows and must not be reported as calibrated.
TEST_F(LutCommandTest, DamagedStoredTablesAreRefusedWithAReasonAndNothingIsLoaded)
{
    const QString id = QString::number(idOf("DP-1"));
    struct Damage
    {
        const char* what;
        const char* statement;
    };
    const Damage damages[] = {
        {"green rows above entry 10 deleted", "DELETE FROM LUTEntries WHERE channel = 1 AND ddl > 10"},
        {"a negative value", "UPDATE LUTEntries SET value = -100000 WHERE channel = 0 AND ddl = 5"},
        {"a value above 16 bits", "UPDATE LUTEntries SET value = 70000 WHERE channel = 2 AND ddl = 7"},
        {"a hole in red", "DELETE FROM LUTEntries WHERE channel = 0 AND ddl = 100"},
    };
    const auto before = cardTable("DP-1");
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        storeLut("DP-1", curve(256, 65280, 1.9));
        {
            KaldoDynamicData db(TestPaths::dataDirectory(), DB::DEFAULT_OPTIONS, DB::DATABASE_NAME, 99);
            ASSERT_TRUE(db.exec(QString::fromLatin1(damage.statement)));
        }
        const CtlRun load = ctl({"lut", "load", id});
        EXPECT_NE(load.exitCode, 0);
        EXPECT_FALSE(load.json.value("calibrated").toBool());
        EXPECT_TRUE(load.json.value("reason").toString().contains("refused")) << load.err.toStdString();
        EXPECT_EQ(cardTable("DP-1"), before);
    }
}

TEST_F(LutCommandTest, StoreRefusesWhatTheLoaderWouldRefuse)
{
    const QString id = QString::number(idOf("DP-1"));
    for (const char* gamma : {"nan", "inf", "-inf", "0", "11"}) {
        SCOPED_TRACE(gamma);
        EXPECT_EQ(ctl({"lut", "store", id, "--gamma", gamma}).exitCode, 2);
    }
    const QByteArray unequal = "0 32768 65535\n0 32768 65535\n0 65535\n";
    EXPECT_EQ(ctl({"lut", "store", id, "-"}, unequal).exitCode, 2);
    // A source that never ends is read with a bound, not until memory runs out.
    const CtlRun endless = ctl({"lut", "store", id, "/dev/zero"});
    EXPECT_EQ(endless.exitCode, 2);
    EXPECT_FALSE(LUTLoadingThread::isLUTAvailable(idOf("DP-1"), true));
}
