#include "tasks/TaskList.h"

#include "tasks/TaskFactory.h"
#include "tests/lut/profile/LogCapture.h"
#include "tests/support/TestPaths.h"
#include "tests/tasks/TaskTestSupport.h"

#include <QDomDocument>
#include <QFile>

#include <gtest/gtest.h>

namespace {

constexpr qint64 t0 = RunnerHarness::start;

QString writeList(const QString& name, const QByteArray& content)
{
    const QString path = TestPaths::freshFolder("tasklists-" + name) + "/" + name + ".xml";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

TEST(TaskListTest, EmbeddedListNamesEveryBackgroundTaskWithItsTiming)
{
    QFile file(":rc/tasklist.xml");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QDomDocument document;
    ASSERT_TRUE(document.setContent(&file));
    QStringList rows;
    for (QDomElement e = document.documentElement().firstChildElement(); !e.isNull();
         e = e.nextSiblingElement())
        rows << QString("%1|%2|%3|%4")
                    .arg(e.attribute("type"), e.attribute("name"), e.attribute("timeout"),
                         e.attribute("first", "-"));
    EXPECT_EQ(rows, (QStringList{"2|Database synchronization|120|-", "3|Software Update|86400|120",
                                 "5|LUTLoad|180|-", "6|EnergyMode|30|30", "8|Video Adapter Check|600000|10",
                                 "11|UpdateAmbient|600|30", "12|AmbientMeasure|180|30",
                                 "13|AutoWhiteLevelStab|300|30", "14|QAFailedCheck|300|300",
                                 "15|DispHoursRefresh|1800|300"}));
}

TEST(TaskListTest, LoadingAddsTheReminderSkipsUnknownTypesAndKeepsListOrder)
{
    RunnerHarness harness;
    const QString path = writeList("mixed", R"(<tasks>
        <task type="17" timeout="600" first="30" name="withFirst"/>
        <task type="99" timeout="600" name="unknown"/>
        <task type="17" name="noTimeoutNoFirst"/>
        <task type="abc" timeout="5" name="badType"/>
        <task type="17" timeout="120" first="-20" name="early"/>
    </tasks>)");
    EXPECT_EQ(harness.runner().loadTasks(path, ":icons/", 300), 3);
    EXPECT_EQ(TaskFactory::iconsPrefix(), ":icons/");
    const QList<Task*> tasks = harness.runner().queue().tasks();
    ASSERT_EQ(tasks.size(), 3);
    EXPECT_EQ(tasks[0]->name(), "withFirst");
    EXPECT_EQ(tasks[0]->nextRun(), quint64(t0 + 330));
    EXPECT_EQ(tasks[1]->timeout(), 0UL);
    EXPECT_EQ(tasks[1]->nextRun(), quint64(t0 + 300));
    EXPECT_EQ(tasks[2]->nextRun(), quint64(t0 + 280));
}

// Found by fuzzing: a first delay near the largest number overflowed the clock arithmetic
// of the task it built.
TEST(TaskListTest, DelaysBeyondTenYearsAreReadAsTenYears)
{
    LogCapture log;
    RunnerHarness harness;
    const QString path = writeList("huge", R"(<tasks>
        <task type="17" timeout="4294967295" first="9223372036854775807" name="late"/>
        <task type="17" timeout="60" first="-9223372036854775807" name="early"/>
    </tasks>)");
    EXPECT_EQ(harness.runner().loadTasks(path, ":icons/", 300), 2);
    const QList<Task*> tasks = harness.runner().queue().tasks();
    ASSERT_EQ(tasks.size(), 2);
    EXPECT_EQ(tasks[0]->timeout(), static_cast<unsigned long>(TaskList::kMaxSeconds));
    EXPECT_EQ(tasks[0]->nextRun(), quint64(t0 + TaskList::kMaxSeconds + 300));
    EXPECT_EQ(tasks[1]->nextRun(), quint64(t0)); // a delay before now: due now
    EXPECT_TRUE(log.contains("is beyond")) << log.all().toStdString();
}

TEST(TaskListTest, TheEmbeddedListLoadsOnlyTheClassesOfThisBuild)
{
    LogCapture log;
    RunnerHarness harness;
    EXPECT_EQ(harness.runner().loadTasks(":rc/tasklist.xml", ":rc/", 300), 10);
    EXPECT_TRUE(log.contains("create task 14 QAFailedCheck"));
    EXPECT_TRUE(log.contains("create task 2 Database synchronization"));
    EXPECT_TRUE(log.contains("create task 15 DispHoursRefresh"));
    EXPECT_TRUE(log.contains("create task 12 AmbientMeasure"));
    EXPECT_FALSE(log.contains("is not available"));
}

TEST(TaskListTest, BrokenOrMissingListLoadsNothingWithAClearMessage)
{
    LogCapture log;
    RunnerHarness harness;
    EXPECT_EQ(harness.runner().loadTasks(TestPaths::dataDirectory() + "/absent.xml", ":rc/", 300), 0);
    EXPECT_TRUE(log.contains("cannot open task list"));

    const QString broken = writeList("broken", "<tasks><task type=\"17\" name=\"x\"></tasks>");
    EXPECT_EQ(harness.runner().loadTasks(broken, ":rc/", 300), 0);
    EXPECT_TRUE(log.contains("is not readable XML (line"));

    const QString empty = writeList("empty", "<?xml version=\"1.0\"?>\n");
    EXPECT_EQ(harness.runner().loadTasks(empty, ":rc/", 300), 0);
    EXPECT_EQ(harness.runner().queue().length(), 0);

    harness.startRunner();
    EXPECT_TRUE(harness.runner().wait(20000)); // nothing to run: the thread ends at once
}

} // namespace
