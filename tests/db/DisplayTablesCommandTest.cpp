#include "tests/db/DisplayTablesFixture.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

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
}

} // namespace
