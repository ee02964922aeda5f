#include "db/DB.h"
#include "db/DBHistory.h"
#include "db/DBPreferences.h"
#include "db/DBQAHistory.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

namespace {

// lutloaderctl on a data directory of the test's own, which this process seeds too.
class QaCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_folder = TestPaths::freshFolder(QStringLiteral("ctl-") + name);
        qputenv("LUTLOADER_DATA_DIR", m_folder.toLocal8Bit());
        DB::free();
        DB::setPath(m_folder);
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
    }
    void TearDown() override { DB::free(); }

    QJsonObject ctl(const QStringList& arguments, int expectedExit = 0)
    {
        const ProgramRun run = ProgramRun::ctl(QStringList{"--json"} + arguments);
        EXPECT_EQ(run.exitCode, expectedExit) << run.err.constData() << run.out.constData();
        return run.json();
    }

    // One active, attached flat colour display under the built-in TG18 definition,
    // primary class, whose daily check ran yesterday.
    void seedTg18()
    {
        DBPreferences preferences;
        preferences.setValue("UsedRegulation", "AAPM", false);
        preferences.setValue("UsedClassification", "1", false);
        auto db = DB::get();
        db->addinfo("Displays", {{"displayid", "1"}, {"serial", "S1"}, {"isactive", "1"}});
        db->addinfo("CurrentDisplays", {{"id", "1"}});
        db->addinfo("DisplayInfo", {{"displayid", "1"}, {"name", "TypeOfDisplay"}, {"value", "Color"}});
        const qint64 history = DBHistory().addRecord(
            1, "QA AAPM TG18", 1, 2, QDateTime(QDate(2027, 5, 11), QTime(8, 0)).toSecsSinceEpoch());
        DBQAHistory().addStepResult(history, "AAPM", 1, 10, 0, 2, "Overall", "", 0, 0);
    }

    QString m_folder;
};

} // namespace

TEST_F(QaCommandTest, FreshDataDirectoryHasAnEmptyPlanAndNothingDue)
{
    const QJsonObject plan = ctl({"qa", "plan"});
    EXPECT_TRUE(plan.value("ok").toBool());
    EXPECT_TRUE(plan.value("groups").toArray().isEmpty());
    const QJsonObject due = ctl({"qa", "due"});
    EXPECT_EQ(due.value("notify").toString(), "none");
    ctl({"qa", "plan", "--now", "yesterday"}, 2);
}

TEST_F(QaCommandTest, PlanDueAndPostponeFollowTheGivenClock)
{
    seedTg18();
    const QJsonObject plan = ctl({"qa", "plan", "--now", "2027-05-12T10:00:00"});
    const QJsonArray groups = plan.value("groups").toArray();
    // Daily visual, annual visual, quarterly and annual measurements; no multi-display step.
    ASSERT_EQ(groups.size(), 4);
    QString dailyKey;
    for (const QJsonValue& group : groups) {
        const QJsonArray steps = group.toObject().value("steps").toArray();
        EXPECT_FALSE(steps.contains(23));
        if (steps == QJsonArray{10}) {
            dailyKey = group.toObject().value("key").toString();
            EXPECT_EQ(group.toObject().value("due").toString(), "2027-05-12T00:00:00");
            EXPECT_EQ(group.toObject().value("lastRun").toString(), "2027.05.11");
        }
    }
    ASSERT_FALSE(dailyKey.isEmpty());

    // The evening before, the never-run groups are due but the daily check that ran that morning is not.
    EXPECT_EQ(ctl({"qa", "due", "--now", "2027-05-11T23:59:00"}).value("qaGroups").toArray().size(), 3);
    const QJsonObject due = ctl({"qa", "due", "--now", "2027-05-12T10:00:00"});
    EXPECT_EQ(due.value("qaGroups").toArray().size(), 4);
    EXPECT_EQ(due.value("notify").toString(), "qa");

    ctl({"qa", "postpone", "1", dailyKey, "--until", "2027-05-12T12:00:00", "--now", "2027-05-12T10:00:00"});
    EXPECT_EQ(ctl({"qa", "due", "--now", "2027-05-12T10:05:00"}).value("qaGroups").toArray().size(), 3);
    EXPECT_EQ(ctl({"qa", "due", "--now", "2027-05-12T12:00:00"}).value("qaGroups").toArray().size(), 4);
    ctl({"qa", "postpone", "1", "nokey", "--until", "2027-05-12T12:00:00"}, 1);
}

TEST_F(QaCommandTest, RegulationImportRefusesWhatDoesNotParseAndRoundTrips)
{
    const QJsonObject list = ctl({"regulation", "list"});
    QStringList ids;
    for (const QJsonValue& regulation : list.value("regulations").toArray())
        ids << regulation.toObject().value("id").toString();
    EXPECT_EQ(ids, QStringList{"AAPM"});

    const QString broken = QDir(m_folder).filePath("broken.xml");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<regulationsettings><regulation id=\"X\"/></regulationsettings>");
    file.close();
    ctl({"regulation", "import", broken}, 1);
    EXPECT_TRUE(QDir(m_folder + "/regulationFiles").entryList({"*.kur"}).isEmpty());

    const QString exported = QDir(m_folder).filePath("aapm.kur");
    ctl({"regulation", "export", "AAPM", exported});
    // Imported under its own id, it now shadows nothing and shows as a user regulation.
    const QString copy = QDir(m_folder).filePath("copy.xml");
    ctl({"regulation", "export", "AAPM", copy});
    const QJsonObject imported = ctl({"regulation", "import", exported});
    EXPECT_EQ(imported.value("id").toString(), "AAPM");
    const QJsonObject shown = ctl({"regulation", "show", "AAPM"});
    EXPECT_EQ(shown.value("steps").toArray().size(), 10);
    ctl({"regulation", "show", "NONE"}, 1);
}
