// Stored step values read back through the step classes: the verdict a physicist would
// reach by hand from the stored numbers and limits.
#include "qa/LuminanceResponse.h"
#include "qa/steps/BlackWhiteStep.h"
#include "qa/steps/ResponseDICOMStep.h"
#include "qa/steps/UniformityStep.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using Map = QMap<QString, QString>;

std::vector<double> gamma22()
{
    std::vector<double> luminances;
    for (int i = 0; i < 18; ++i)
        luminances.push_back(0.5 + (400 - 0.5) * std::pow(i / 17.0, 2.2));
    return luminances;
}

const QAStep::ReportInfo::Values* row(const QAStep::ReportInfo& info, const QString& label)
{
    for (const auto& value : info.values) {
        if (value.label == label)
            return &value;
    }
    return nullptr;
}

} // namespace

TEST(StepReport, DicomResponseIsJudgedFromTheStoredLuminances)
{
    Map values, references;
    ResponseDICOMStep::storeResponse(gamma22(), 10, values, references);
    const double kd = LuminanceResponse::evaluate(gamma22(), 10).kd;
    ASSERT_GT(kd, 10); // a gamma display is far from the GSDF in the dark end

    ResponseDICOMStep step(3);
    QAStep::ReportInfo info = step.GetReportInfo(values, references);
    EXPECT_TRUE(info.judged);
    EXPECT_FALSE(info.passed);
    EXPECT_EQ(info.kind, QAStep::ReportInfo::Measurement);
    ASSERT_NE(row(info, "&Delta;k = "), nullptr);
    EXPECT_EQ(row(info, "&Delta;k = ")->value, QString::number(kd, 'f', 2) + " %");
    EXPECT_EQ(row(info, "&Delta;k = ")->criterion + row(info, "&Delta;k = ")->limit, "&Delta;k &le; 10.00 %");
    ASSERT_EQ(info.graphs.size(), 1);
    ASSERT_EQ(info.graphs[0].lines.size(), 2);
    EXPECT_EQ(info.graphs[0].lines[0].points.size(), 17);
    EXPECT_EQ(info.graphs[0].lines[1].type, "dot");
    EXPECT_TRUE(info.note.startsWith("To correct the DICOM response"));

    // A limit the run stored wins; without one, the step's parameter; without both nothing is applied.
    references["kD"] = QString::number(std::ceil(kd));
    EXPECT_TRUE(step.GetReportInfo(values, references).passed);
    references.remove("kD");
    step.SetParams({{"kD", "5"}});
    EXPECT_FALSE(step.GetReportInfo(values, references).passed);
    step.SetParams({});
    info = step.GetReportInfo(values, references);
    EXPECT_TRUE(info.passed);
    EXPECT_FALSE(row(info, "&Delta;k = ")->applied);

    // Fewer than three stored luminances give no verdict of the step's own.
    EXPECT_FALSE(step.GetReportInfo({{"TG18-LN8-01", "0.5"}, {"TG18-LN8-02", "1"}}, {}).judged);
}

TEST(StepReport, BlackWhiteAppliesOnlyTheLimitsGivenAndReportsTheRecommendedOnes)
{
    BlackWhiteStep step(1);
    const Map values{{"measuredmax_", "300"}, {"measuredmin_", "0.5"}, {"Lamb", "0.5"}};
    // No "La" limit: a veiling ratio of 0.5 does not fail; no acceptance Lmax: no deviation row.
    QAStep::ReportInfo info = step.GetReportInfo(values, {{"Lmax", "250"}, {"LR", "250"}, {"dLmax", "10"}});
    EXPECT_TRUE(info.passed);
    ASSERT_NE(row(info, "Veiling Luminance Contrast"), nullptr);
    EXPECT_FALSE(row(info, "Veiling Luminance Contrast")->applied);
    EXPECT_EQ(row(info, "Maximum Luminance Deviation"), nullptr);
    EXPECT_EQ(row(info, "Maximum Luminance")->value, "300.50 cd/m<sup>2</sup>");

    // With the acceptance value the drift is checked: 300.5 against 350 is 14.1 %.
    info = step.GetReportInfo(values, {{"dLmax", "10"}, {"acceptance Lmax", "350"}, {"LmaxS", "350"}});
    EXPECT_FALSE(info.passed);
    ASSERT_NE(row(info, "Maximum Luminance Deviation"), nullptr);
    EXPECT_EQ(row(info, "Maximum Luminance Deviation")->value, "14.14 %");
    // The "S" limit is shown beside the plain one but does not decide.
    const auto* recommended = row(info, "Maximum Luminance (Recommended Performance)");
    ASSERT_NE(recommended, nullptr);
    EXPECT_FALSE(recommended->passed);
    EXPECT_FALSE(recommended->applied);

    // The other displays' values are compared only when stored (a workstation with several displays).
    info = step.GetReportInfo(values, {{"mdLmax", "10"}});
    EXPECT_EQ(row(info, "MultiDisplay Maximum Luminance Difference"), nullptr);
    Map several = values;
    several["others Lmax"] = "250;300";
    several["others LR"] = "250;300";
    info = step.GetReportInfo(several, {{"mdLmax", "10"}});
    ASSERT_NE(row(info, "MultiDisplay Maximum Luminance Difference"), nullptr);
    EXPECT_FALSE(info.passed); // 300.5 is 20.2 % above 250
}

TEST(StepReport, UniformityRecomputesEachLevelAndSkipsWhatIsNotStored)
{
    Map values;
    const double readings80[] = {100, 60, 80, 80, 80};
    for (int p = 0; p < 5; ++p) {
        values[UniformityStep::readingName(80, p)] = QString::number(readings80[p]);
        values[UniformityStep::readingName(50, p)] = "40";
    }
    UniformityStep step(4);
    QAStep::ReportInfo info = step.GetReportInfo(values, {{"Uniformity", "30"}});
    EXPECT_FALSE(info.passed);
    ASSERT_EQ(info.values.size(), 2); // no 10 % level stored, no other display
    EXPECT_EQ(info.values[0].label, "Uniformity Deviation at 80%");
    EXPECT_EQ(info.values[0].value, "50.00 %");
    EXPECT_FALSE(info.values[0].passed);
    EXPECT_TRUE(info.values[1].passed);
    ASSERT_EQ(info.detailedValues.size(), 2);
    EXPECT_EQ(info.detailedValues[0].title, "Measurement at 80%");
    EXPECT_EQ(info.detailedValues[0].rows[1],
              qMakePair(QString("top-left"), QString("60.00 cd/m<sup>2</sup>")));

    // Without a limit nothing is applied; a negative one accepts only values between it and 0.
    EXPECT_TRUE(step.GetReportInfo(values, {}).passed);
    EXPECT_FALSE(step.GetReportInfo(values, {{"Uniformity", "-10"}}).passed);
    values[UniformityStep::multiDisplayName()] = "12";
    info = step.GetReportInfo(values, {{"Uniformity", "60"}, {"Uniformity_mm", "10"}});
    ASSERT_NE(row(info, "MultiDisplay Uniformity Deviation"), nullptr);
    EXPECT_FALSE(info.passed);
}
