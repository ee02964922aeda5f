#include "tests/db/DisplayTablesFixture.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <memory>
#include <vector>

namespace {

using DisplayTablesCommandTest = DisplayTablesTest;

struct CtlRun
{
    int exitCode = -1;
    QByteArray output;
};

CtlRun runCtl(const QStringList& arguments)
{
    QProcess process;
    process.start(TestPaths::ctlProgram(),
                  QStringList{QStringLiteral("--platform"), QStringLiteral("sim")} + arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

TEST_F(DisplayTablesCommandTest, RefreshRegistersTheSimulatedDisplaysAndLutPrintsChannels)
{
    const CtlRun refresh =
        runCtl({QStringLiteral("--json"), QStringLiteral("dbdisplays"), QStringLiteral("refresh")});
    ASSERT_EQ(refresh.exitCode, 0);
    const QJsonArray records =
        QJsonDocument::fromJson(refresh.output).object().value(QStringLiteral("displays")).toArray();
    ASSERT_EQ(records.size(), 3);
    for (const QJsonValue& record : records)
        EXPECT_TRUE(record.toObject().value(QStringLiteral("active")).toBool());
    // The product's display defaults reached the new records.
    EXPECT_FALSE(records.at(0)
                     .toObject()
                     .value(QStringLiteral("settings"))
                     .toObject()
                     .value(QStringLiteral("BacklightStabilization"))
                     .isUndefined());

    const int id = records.at(2).toObject().value(QStringLiteral("id")).toInt();
    ASSERT_GE(DBDisplayCurrentLUT().storeLUT(id, 1, 0, {{0, 100, 200}, {1, 101, 201}, {2, 102, 202}}), 0);
    const CtlRun lut = runCtl({QStringLiteral("dbdisplays"), QStringLiteral("lut"), QString::number(id)});
    EXPECT_EQ(lut.exitCode, 0);
    EXPECT_EQ(lut.output.trimmed(), QByteArray("0 100 200\n1 101 201\n2 102 202"));

    EXPECT_NE(runCtl({QStringLiteral("dbdisplays"), QStringLiteral("lut"), QStringLiteral("4711")}).exitCode,
              0);
    EXPECT_NE(runCtl({QStringLiteral("dbdisplays"), QStringLiteral("lut"), QStringLiteral("x")}).exitCode, 0);

    // A display setting set by the tool is the one the agent reads; unknown records are refused.
    const QString idText = QString::number(id);
    EXPECT_EQ(runCtl({"dbdisplays", "info", idText, "AmbientSensor", "true"}).exitCode, 0);
    EXPECT_EQ(DBDisplays().getDisplayInfo(id, QStringLiteral("AmbientSensor")), "true");
    EXPECT_EQ(runCtl({"dbdisplays", "info", idText, "AmbientSensor"}).output.trimmed(),
              QByteArray("AmbientSensor = true"));
    EXPECT_NE(runCtl({"dbdisplays", "info", "4711", "AmbientSensor", "true"}).exitCode, 0);
}

// Two agents (or the agent and the tool) registering the same displays at once end
// with one record per display.
TEST_F(DisplayTablesCommandTest, ConcurrentRefreshesRegisterEachDisplayOnce)
{
    std::vector<std::unique_ptr<QProcess>> refreshes;
    for (int i = 0; i < 3; ++i) {
        auto process = std::make_unique<QProcess>();
        process->start(TestPaths::ctlProgram(), {QStringLiteral("--platform"), QStringLiteral("sim"),
                                                 QStringLiteral("dbdisplays"), QStringLiteral("refresh")});
        ASSERT_TRUE(process->waitForStarted());
        refreshes.push_back(std::move(process));
    }
    for (auto& process : refreshes) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0);
    }
    EXPECT_EQ(rows(QStringLiteral("Displays")), 3);
    EXPECT_EQ(DB::get()
                  ->query(QStringLiteral("SELECT COUNT(*) AS n FROM (SELECT displayid, name FROM DisplayInfo "
                                         "GROUP BY displayid, name HAVING COUNT(*) > 1)"))
                  .value(QStringLiteral("n"))
                  .toInt(),
              0);
    EXPECT_EQ(rows(QStringLiteral("CurrentDisplays")), 3);
}

} // namespace
