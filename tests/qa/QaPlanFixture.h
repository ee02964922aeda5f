#pragma once

#include "db/DB.h"
#include "db/DBHistory.h"
#include "db/DBPreferences.h"
#include "db/DBQAHistory.h"
#include "db/DBStatusDisplays.h"
#include "db/KaldoDynamicData.h"
#include "db/Schema.h"
#include "qa/QAScheduling.h"
#include "qa/QASchedulingGroups.h"
#include "qa/RegulationSettings.h"
#include "tests/support/TestPaths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

// A fresh database with a small regulation in force ("T", classification 1) and
// displays seeded by the test; plans are made at a chosen local time.
class QaPlanFixture : public ::testing::Test
{
protected:
    // Classification 1 of the test regulation: two daily visual steps, a monthly
    // and a weekly measurement, a twice-a-week visual step and a quarterly
    // measurement that applies only where several displays are read together.
    static QByteArray regulation()
    {
        const auto step = [](int id, const char* type, const char* sets) {
            return QStringLiteral(
                       "<step id=\"%1\" name=\"S%1\" type=\"%2\" position=\"%1\"><classification id=\"1\">"
                       "<restrictions>%3</restrictions></classification></step>")
                .arg(id)
                .arg(QString::fromLatin1(type), QString::fromLatin1(sets));
        };
        return (QStringLiteral("<regulationsettings><regulation id=\"T\" name=\"Test\"><classifications>"
                               "<classification id=\"1\" name=\"One\"/></classifications><steps>") +
                step(1, "visual", "<restriction set=\"0\" frequency=\"0\"/>") +
                step(2, "visual", "<restriction set=\"0\" frequency=\"0\"/>") +
                step(3, "measurement", "<restriction set=\"0\" frequency=\"2\"/>") +
                step(4, "measurement", "<restriction set=\"0\" frequency=\"1\"/>") +
                step(5, "visual", "<restriction set=\"0\" frequency=\"8\"/>") +
                step(6, "measurement", "<restriction set=\"1024\" frequency=\"3\"/>") +
                QStringLiteral("</steps><initialsteps/></regulation></regulationsettings>"))
            .toUtf8();
    }

    void SetUp() override
    {
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        DB::free();
        DB::setPath(TestPaths::freshFolder(QStringLiteral("qa-") + name));
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        RegulationSettings* settings = RegulationSettings::instance();
        settings->ClearRegulations();
        ASSERT_TRUE(settings->ReadSettingsFromData(regulation(), false, false, QStringLiteral("test")));
        DBPreferences preferences;
        preferences.setValue(QStringLiteral("UsedRegulation"), QStringLiteral("T"), false);
        preferences.setValue(QStringLiteral("UsedClassification"), QStringLiteral("1"), false);
        preferences.setValue(QStringLiteral("AmbientStable"), QStringLiteral("1"), false);
    }
    void TearDown() override { DB::free(); }

    static qint64 at(int year, int month, int day, int hour = 12, int minute = 0)
    {
        return QDateTime(QDate(year, month, day), QTime(hour, minute)).toSecsSinceEpoch();
    }
    static QString local(qint64 time)
    {
        return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    }

    // A display known to the database; `connected` gives it a row of the current-display snapshot.
    static void addDisplay(int id, bool active = true, bool connected = true)
    {
        auto db = DB::get();
        ASSERT_TRUE(db->addinfo(QStringLiteral("Displays"), {{"displayid", QString::number(id)},
                                                             {"serial", "S" + QString::number(id)},
                                                             {"isactive", active ? "1" : "0"}}));
        if (connected) {
            ASSERT_TRUE(db->addinfo(QStringLiteral("CurrentDisplays"), {{"id", QString::number(id)}}));
        }
        ASSERT_TRUE(db->addinfo(QStringLiteral("DisplayInfo"),
                                {{"displayid", QString::number(id)}, {"name", "Model"}, {"value", "M"}}));
    }

    // One QA run of the given steps (all with `result`) under regulation T.
    static qint64 run(int display, const QList<int>& steps, qint64 time, int result = 2,
                      const QString& name = QStringLiteral("QA Test"), int runResult = 2)
    {
        const qint64 history = DBHistory().addRecord(display, name, 1, runResult, time);
        EXPECT_GT(history, 0);
        DBQAHistory qa;
        for (const int step : steps)
            EXPECT_GT(qa.addStepResult(history, QStringLiteral("T"), 1, step, 0, result, QString(), QString(),
                                       0, 0),
                      0);
        return history;
    }

    static void plan(qint64 now) { ASSERT_TRUE(QAScheduling(now).RefreshFullInfo()); }

    // The stored group of a display that holds `step`: its row.
    static QMap<QString, QString> groupOf(int display, int step)
    {
        const auto it = DB::get()->query(
            QStringLiteral(
                "SELECT g.* FROM QASchedulingGroups g INNER JOIN QASchedulingSteps s ON g.groupid = "
                "s.groupid WHERE s.displayid = ? AND s.stepid = ?"),
            {display, step});
        return it.values();
    }
    static qint64 dueOf(int display, int step)
    {
        return groupOf(display, step).value("nextdate").toLongLong();
    }

    static QList<int> dueGroups(qint64 now)
    {
        QList<int> ids;
        for (auto it = QASchedulingGroups().nearestTasks(now); !it.IsNull(); ++it)
            ids << it.value("groupid").toInt();
        return ids;
    }
};
