// lutloaderctl qa gsdf|blackwhite|uniformity, run as a separate program the way a script uses it.
#include "tests/support/ProgramRun.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

ProgramRun ctl(const QStringList& args)
{
    return ProgramRun::ctl(QStringList{"--platform", "sim"} + args);
}

QJsonObject json(const QStringList& args)
{
    const ProgramRun run = ctl(QStringList{"--json", "qa"} + args);
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    return run.json();
}

TEST(QaChecksCommandTest, VerdictsInJsonAndText)
{
    const QJsonObject gsdf = json({"gsdf", "0.5", "1", "2", "--kd", "10"});
    const QJsonArray intervals = gsdf["intervals"].toArray();
    ASSERT_EQ(intervals.size(), 2);
    double largest = 0;
    for (const QJsonValue interval : intervals)
        largest = std::max(largest, interval.toObject()["error"].toDouble());
    EXPECT_DOUBLE_EQ(gsdf["kd"].toDouble(), largest);
    EXPECT_EQ(gsdf["passed"].toBool(), largest <= 10);
    EXPECT_GT(intervals.at(1).toObject()["jnd"].toDouble(), intervals.at(0).toObject()["jnd"].toDouble());

    const QJsonObject uniformity = json({"uniformity", "100", "60", "80", "80", "80", "--limit", "30"});
    EXPECT_DOUBLE_EQ(uniformity["deviation"].toDouble(), 50);
    EXPECT_FALSE(uniformity["passed"].toBool());

    const QJsonObject blackWhite =
        json({"blackwhite", "--lmax", "399", "--lmin", "0.5", "--lamb", "1", "--limit", "Lmax=350", "LR=300",
              "--acceptance", "Lmax=500", "--limit", "dLmax=10"});
    EXPECT_FALSE(blackWhite["passed"].toBool());
    QStringList failed;
    for (const QJsonValue check : blackWhite["checks"].toArray()) {
        if (check.toObject()["applied"].toBool() && !check.toObject()["passed"].toBool())
            failed << check.toObject()["name"].toString();
    }
    EXPECT_EQ(failed, QStringList({"LR", "dLmax"})); // 266.7 < 300, 20 % > 10 %

    const ProgramRun text =
        ctl({"qa", "blackwhite", "--lmax", "400", "--lmin", "1", "--lamb", "0", "--limit", "Lmax=350"});
    ASSERT_EQ(text.exitCode, 0) << text.err.constData();
    EXPECT_TRUE(text.out.contains("Maximum Luminance: 400.0000")) << text.out.constData();
    EXPECT_TRUE(text.out.contains("Result: passed")) << text.out.constData();
}

TEST(QaChecksCommandTest, BadInputIsRefusedWithAMessage)
{
    for (const QStringList& args :
         {QStringList{"qa", "gsdf", "1", "2"}, QStringList{"qa", "gsdf", "1", "x", "3"},
          QStringList{"qa", "gsdf", "1", "2", "3", "--kd"}, QStringList{"qa", "uniformity", "1", "2", "3"},
          QStringList{"qa", "blackwhite", "--lmax", "400"},
          QStringList{"qa", "blackwhite", "--lmax", "4", "--lmin", "1", "--lamb", "0", "--limit", "LR"}}) {
        const ProgramRun run = ctl(args);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(args.join(' '));
        EXPECT_FALSE(run.err.trimmed().isEmpty()) << qPrintable(args.join(' '));
    }
    const ProgramRun negative = ctl({"--json", "qa", "gsdf", "1", "-2", "3"});
    EXPECT_EQ(negative.exitCode, 1);
    EXPECT_FALSE(negative.json()["ok"].toBool());
}

} // namespace
