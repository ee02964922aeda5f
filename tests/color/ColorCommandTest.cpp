// lutloaderctl color, run as a separate program the way a script uses it.
#include "tests/support/ProgramRun.h"
#include "tests/support/TestPaths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cmath>
#include <gtest/gtest.h>

namespace {

ProgramRun ctl(const QStringList& args)
{
    return ProgramRun::ctl(QStringList{"--platform", "sim"} + args);
}

QJsonObject json(const QStringList& args)
{
    const ProgramRun run = ctl(QStringList{"--json"} + args);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    return QJsonDocument::fromJson(run.out).object();
}

TEST(ColorCommandTest, DifferencesAndGsdfInTextAndJson)
{
    // First CIEDE2000 test pair of Sharma, Wu and Dalal: 2.0425.
    const ProgramRun plain =
        ctl({"color", "deltae", "--method", "2000", "50", "2.6772", "-79.7751", "50", "0", "-82.7485"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.constData();
    EXPECT_NEAR(plain.out.trimmed().toDouble(), 2.0425, 5e-5);
    EXPECT_GT(plain.out.trimmed().size(), 12); // printed at full precision
    EXPECT_DOUBLE_EQ(
        json({"color", "deltae", "--method", "1976", "0", "3", "4", "0", "0", "0"})["deltaE"].toDouble(),
        5.0);
    EXPECT_DOUBLE_EQ(
        json({"color", "deltae", "--method", "1994", "50", "0", "0", "60", "0", "0"})["deltaE"].toDouble(),
        10.0);

    // DICOM PS3.14 Table B-1: JND 10 is 0.0991 cd/m².
    EXPECT_NEAR(ctl({"color", "gsdf", "10"}).out.trimmed().toDouble(), 0.0991, 5e-5);
    const QJsonObject index = json({"color", "gsdf", "--luminance", "0.05"});
    EXPECT_NEAR(index["jnd"].toDouble(), 1.0, 0.05);
}

TEST(ColorCommandTest, CurvesConversionsAndTemperatures)
{
    const ProgramRun levels =
        ctl({"color", "curve", "dicom", "--min", "0.5", "--max", "400", "--levels", "18"});
    ASSERT_EQ(levels.exitCode, 0) << levels.err.constData();
    const QList<QByteArray> lines = levels.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 18);
    EXPECT_NEAR(lines.front().toDouble(), 0.5, 1e-3);
    EXPECT_NEAR(lines.back().toDouble(), 400, 0.5);
    const QJsonObject gamma = json({"color", "curve", "gamma", "--gamma", "2.2", "--levels", "3"});
    EXPECT_EQ(gamma["name"].toString(), "Gamma 2.2");
    EXPECT_EQ(gamma["luminances"].toArray().size(), 3);
    EXPECT_NEAR(gamma["luminances"].toArray().at(1).toDouble(), 1 + 99 * std::pow(0.5, 2.2), 1e-9);

    // sRGB red under the D65 white: L*a*b* 53.2408, 80.0925, 67.2032.
    const QJsonArray lab = json({"color", "convert", "xyz", "lab", "0.412456", "0.212673", "0.019334",
                                 "--white", "0.95047", "1", "1.08883"})["values"]
                               .toArray();
    ASSERT_EQ(lab.size(), 3);
    EXPECT_NEAR(lab.at(0).toDouble(), 53.2408, 2e-3);
    EXPECT_NEAR(lab.at(1).toDouble(), 80.0925, 2e-3);
    EXPECT_NEAR(lab.at(2).toDouble(), 67.2032, 2e-3);
    // Illuminant A (CIE 15): 2856 K.
    EXPECT_NEAR(json({"color", "cct", "0.44757", "0.40745"})["cct"].toDouble(), 2856, 3);
}

TEST(ColorCommandTest, BadInputIsRefusedClearly)
{
    EXPECT_EQ(ctl({"color"}).exitCode, 2);
    EXPECT_EQ(ctl({"color", "deltae", "1", "2", "3"}).exitCode, 2);
    EXPECT_EQ(ctl({"color", "deltae", "--method", "1999", "1", "2", "3", "4", "5", "6"}).exitCode, 2);
    EXPECT_EQ(ctl({"color", "convert", "hsv", "xyz", "1", "2", "3"}).exitCode, 2);
    EXPECT_EQ(ctl({"color", "curve", "dicom", "--levels", "many"}).exitCode, 2);
    const ProgramRun red = ctl({"--json", "color", "cct", "0.70", "0.29"});
    EXPECT_EQ(red.exitCode, 1);
    EXPECT_FALSE(QJsonDocument::fromJson(red.out).object()["ok"].toBool(true));
    EXPECT_TRUE(ctl({"color", "curve", "custom", "--data", "0:0,1:1", "--levels", "4"})
                    .err.contains("rising DDL:luminance list"));
}

} // namespace
