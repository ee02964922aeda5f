#include "tests/displays/SimDisplays.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

ProgramRun ctl(const QStringList& arguments)
{
    return ProgramRun::ctl(arguments, {}, 120000);
}

QJsonObject byOutput(const QJsonObject& result, const QString& output)
{
    for (const QJsonValue& value : result.value(QStringLiteral("displays")).toArray()) {
        if (value.toObject().value(QStringLiteral("output")).toString() == output)
            return value.toObject();
    }
    return {};
}

} // namespace

TEST(DetectCommand, ReportsClassLutAndKnownModelOfEveryDisplay)
{
    const QString workstation = SimDisplays::writeWorkstation({
        SimDisplays::display(QStringLiteral("DP-1"),
                             SimDisplays::edid("GSM", 0x5818, QStringLiteral("E2241"))),
        SimDisplays::display(QStringLiteral("DP-2"),
                             SimDisplays::edid("ABC", 0x0101, QStringLiteral("Office 24"))),
        SimDisplays::display(QStringLiteral("DP-3"),
                             SimDisplays::edid("SAM", 0x036F, QStringLiteral("Other")), false),
    });
    ASSERT_FALSE(workstation.isEmpty());
    const ProgramRun run = ctl({"--platform", "sim", "--workstation", workstation, "--json", "detect"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject result = run.json();
    EXPECT_EQ(result.value("displays").toArray().size(), 2);

    const QJsonObject lg = byOutput(result, "DP-1");
    EXPECT_EQ(lg.value("manufacturer").toString(), "LG");
    EXPECT_EQ(lg.value("model").toString(), "E2241");
    EXPECT_EQ(lg.value("backlight").toString(), "FlatWLED");
    EXPECT_EQ(lg.value("class").toString(), "BaseDisplay");
    EXPECT_EQ(lg.value("lut").toString(), "VideoCardLUT");
    EXPECT_EQ(lg.value("lut_interface").toInt(), 2);

    const QJsonObject office = byOutput(result, "DP-2");
    EXPECT_EQ(office.value("model").toString(), "Office 24");
    EXPECT_EQ(office.value("type").toString(), "Color");

    const ProgramRun off =
        ctl({"--platform", "sim", "--workstation", workstation, "--json", "detect", "--power", "off"});
    ASSERT_EQ(off.exitCode, 0) << off.err.toStdString();
    EXPECT_EQ(off.json().value("delay_ms").toInt(), 4000);

    const ProgramRun one =
        ctl({"--platform", "sim", "--workstation", workstation, "--json", "detect",
             QString::number(office.value("id").toInt()), "--iface", "3", "--lut-iface", "1"});
    ASSERT_EQ(one.exitCode, 0) << one.err.toStdString();
    ASSERT_EQ(one.json().value("displays").toArray().size(), 1);
    // The plain display has no LUT of its own to take a DDC/CI target.
    EXPECT_TRUE(one.json().value("displays").toArray().at(0).toObject().value("lut").isNull());

    EXPECT_EQ(ctl({"--platform", "sim", "detect", "--iface", "9"}).exitCode, 2);
    EXPECT_EQ(ctl({"--platform", "sim", "detect", "--power", "sideways"}).exitCode, 2);
}
