#include "db/DB.h"
#include "db/Schema.h"
#include "qa/UserScheduling.h"
#include "qa/UserTasksScheduling.h"
#include "tests/support/TestPaths.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

qint64 at(int year, int month, int day, int hour = 12, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute)).toSecsSinceEpoch();
}

QString nextOf(const QMap<QString, QString>& row, qint64 now,
               const QList<QPair<qint64, qint64>>& exceptions = {})
{
    UserTasksScheduling calendar;
    calendar.load(row, exceptions);
    calendar.setTime(now);
    const qint64 next = calendar.next();
    return next == 0 ? QStringLiteral("none")
                     : QDateTime::fromSecsSinceEpoch(next).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

} // namespace

TEST(UserTaskCalendar, DayPastTheMonthsEndIsItsLastDay)
{
    const QMap<QString, QString> monthly{{"schedtype", "4"}, {"DayOfMonth", "31"}, {"StartTime", "08:30"}};
    EXPECT_EQ(nextOf(monthly, at(2027, 2, 3)), "2027-02-28 08:30");
    EXPECT_EQ(nextOf(monthly, at(2028, 2, 3)), "2028-02-29 08:30");
    // Run on Feb 28: the next month's run keeps the 31st.
    QMap<QString, QString> ran = monthly;
    ran.insert("lastrun", QString::number(at(2027, 2, 28, 9)));
    EXPECT_EQ(nextOf(ran, at(2027, 2, 28, 10)), "2027-03-31 08:30");
}

TEST(UserTaskCalendar, WeekFiveIsTheLastSuchWeekdayOfTheMonth)
{
    // Last Friday of the month.
    const QMap<QString, QString> row{
        {"schedtype", "4"}, {"WeekOfMonth", "5"}, {"DaysOfWeek", "5"}, {"StartTime", "07:00"}};
    EXPECT_EQ(nextOf(row, at(2027, 4, 1)), "2027-04-30 07:00");
    EXPECT_EQ(nextOf(row, at(2027, 5, 1)), "2027-05-28 07:00");
    // The second Tuesday.
    const QMap<QString, QString> second{{"schedtype", "4"}, {"WeekOfMonth", "2"}, {"DaysOfWeek", "2"}};
    EXPECT_EQ(nextOf(second, at(2027, 6, 1)), "2027-06-08 00:00");
}

TEST(UserTaskCalendar, SearchStopsAfterTwoThousandDays)
{
    QMap<QString, QString> row{{"schedtype", "2"}, {"EveryNDay", "2500"}, {"StartTime", "10:00"}};
    row.insert("lastrun", QString::number(at(2027, 1, 1)));
    EXPECT_EQ(nextOf(row, at(2027, 1, 2)), "none");
    row.insert("EveryNDay", "1999");
    EXPECT_EQ(nextOf(row, at(2027, 1, 2)), QDate(2027, 1, 1).addDays(1999).toString("yyyy-MM-dd") + " 10:00");
}

TEST(UserTaskCalendar, ServedDaysExceptionsAndDisabledTasks)
{
    QMap<QString, QString> daily{{"schedtype", "2"}, {"StartTime", "09:00"}};
    // Today's 09:00 already ran: tomorrow.
    daily.insert("lastrun", QString::number(at(2027, 3, 10, 9, 5)));
    EXPECT_EQ(nextOf(daily, at(2027, 3, 10, 10)), "2027-03-11 09:00");
    // Not run today yet: today's 09:00, which is past, so due now.
    daily.insert("lastrun", QString::number(at(2027, 3, 9, 9, 5)));
    EXPECT_EQ(nextOf(daily, at(2027, 3, 10, 10)), "2027-03-10 09:00");
    EXPECT_EQ(nextOf(daily, at(2027, 3, 10, 10), {{at(2027, 3, 10, 0), at(2027, 3, 12, 23)}}),
              "2027-03-13 09:00");
    daily.insert("Disabled", "true");
    EXPECT_EQ(nextOf(daily, at(2027, 3, 10, 10)), "none");
    const QMap<QString, QString> weekly{
        {"schedtype", "3"}, {"DaysOfWeek", "1,4"}, {"StartDate", "2027.03.01"}};
    EXPECT_EQ(nextOf(weekly, at(2027, 3, 2)), "2027-03-04 00:00");
}

TEST(UserTaskCalendar, PostponedTaskKeepsItsTimeAndDueQueryUsesTheGivenClock)
{
    DB::free();
    DB::setPath(TestPaths::freshFolder("user-tasks"));
    ASSERT_TRUE(Schema::checkAll(*DB::get()));
    UserScheduling tasks;
    const int id = tasks.addRecord(
        {{"displayid", "1"}, {"schedtype", "2"}, {"StartTime", "09:00"}, {"tasktype_id", "cal"}});
    ASSERT_GT(id, 0);
    ASSERT_TRUE(tasks.updateNextRun(id, at(2027, 3, 10, 8)));
    EXPECT_EQ(tasks.get(id).value("nextrun").toLongLong(), at(2027, 3, 10, 9));
    EXPECT_TRUE(tasks.nearestTasks(at(2027, 3, 10, 8, 59)).IsNull());
    EXPECT_EQ(tasks.nearestTasks(at(2027, 3, 10, 9)).value("taskid").toInt(), id);
    ASSERT_TRUE(tasks.delayTask(id, at(2027, 3, 10, 9, 15)));
    ASSERT_TRUE(tasks.updateNextRun(id, at(2027, 3, 10, 9, 1)));
    EXPECT_EQ(tasks.get(id).value("nextrun").toLongLong(), at(2027, 3, 10, 9, 15));
    EXPECT_TRUE(tasks.nearestTasks(at(2027, 3, 10, 9, 14)).IsNull());
    DB::free();
}
