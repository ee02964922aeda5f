#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

ProgramRun ctl(const QStringList& arguments)
{
    return ProgramRun::ctl(arguments);
}

TEST(TasksCommandTest, ListsTheEmbeddedTasksWithTheirEffectiveFirstDelay)
{
    const ProgramRun run = ctl({"--json", "tasks", "list", "--reminder", "60"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray tasks = QJsonDocument::fromJson(run.out).object().value("tasks").toArray();
    ASSERT_EQ(tasks.size(), 10);
    const QJsonObject update = tasks.at(1).toObject();
    EXPECT_EQ(update.value("name").toString(), "Software Update");
    EXPECT_EQ(update.value("class").toString(), "UpdateTask");
    EXPECT_EQ(update.value("timeout").toInteger(), 86400);
    EXPECT_EQ(update.value("first").toInteger(), 180);
    EXPECT_EQ(tasks.at(0).toObject().value("first").toInteger(), 60); // no first: the reminder alone
}

TEST(TasksCommandTest, BrokenListAndBadArgumentsFailWithAMessage)
{
    const QString broken = TestPaths::freshFolder("ctl-broken") + "/list.xml";
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<tasks><task");
    file.close();

    const ProgramRun bad = ctl({"tasks", "list", broken});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("is not readable XML"));
    EXPECT_EQ(ctl({"tasks", "list", "--reminder", "soon"}).exitCode, 2);
    EXPECT_EQ(ctl({"tasks"}).exitCode, 2);
}

TEST(TasksCommandTest, ListingWritesNothingIntoTheCurrentFolder)
{
    const QString folder = TestPaths::freshFolder("ctl-cwd");
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(TestPaths::ctlProgram(), {"--platform", "sim", "tasks", "list"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << qPrintable(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(' '));
}

} // namespace
