// The luminance QA arithmetic, checked against an independent GSDF and hand-worked cases.
#include "qa/BlackWhiteCheck.h"
#include "qa/LuminanceResponse.h"
#include "qa/UniformityCheck.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Grayscale Standard Display Function, written out term by term from the published
// coefficients.
double jndOf(double luminance)
{
    const double coefficient[9] = {71.498068,  94.593053,   41.912053,  9.8247004,   0.28175407,
                                   -1.1878455, -0.18014349, 0.14710899, -0.017046845};
    double sum = 0;
    for (int power = 0; power < 9; ++power)
        sum += coefficient[power] * std::pow(std::log10(luminance), power);
    return sum;
}

double luminanceOf(double jnd)
{
    const double x = std::log(jnd);
    const double numerator = -1.3011877 + 8.0242636e-2 * x + 1.3646699e-1 * std::pow(x, 2) -
                             2.5468404e-2 * std::pow(x, 3) + 1.3635334e-3 * std::pow(x, 4);
    const double denominator = 1 - 2.5840191e-2 * x - 1.0320229e-1 * std::pow(x, 2) +
                               2.8745620e-2 * std::pow(x, 3) - 3.1978977e-3 * std::pow(x, 4) +
                               1.2992634e-4 * std::pow(x, 5);
    return std::pow(10.0, numerator / denominator);
}

// Equally spaced JND indices between the ends, the ends kept as given.
std::vector<double> gsdfResponse(double lmin, double lmax, int n)
{
    std::vector<double> values(n);
    for (int i = 0; i < n; ++i) {
        const double ddl = std::round(i * 255.0 / (n - 1));
        values[i] = luminanceOf(jndOf(lmin) + ddl * (jndOf(lmax) - jndOf(lmin)) / 255.0);
    }
    values.front() = lmin;
    values.back() = lmax;
    return values;
}

double independentKd(const std::vector<double>& measured)
{
    const std::vector<double> target = gsdfResponse(measured.front(), measured.back(), int(measured.size()));
    const auto contrast = [](double a, double b, double dj) { return (b - a) / ((a + b) / 2) / dj; };
    double kd = 0;
    for (size_t i = 1; i < measured.size(); ++i) {
        const double dj = jndOf(target[i]) - jndOf(target[i - 1]);
        const double dm = contrast(measured[i - 1], measured[i], dj);
        const double dt = contrast(target[i - 1], target[i], dj);
        kd = std::max(kd, 100 * std::abs(dm - dt) / dt);
    }
    return kd;
}

TEST(LuminanceResponseTest, GsdfResponseHasNoDeviationAndGammaMatchesIndependentKd)
{
    const LuminanceResponse::Result onCurve = LuminanceResponse::evaluate(gsdfResponse(0.5, 400, 18), 1);
    ASSERT_TRUE(onCurve.valid);
    EXPECT_NEAR(onCurve.kd, 0, 1e-6);
    EXPECT_TRUE(onCurve.passed);
    ASSERT_EQ(onCurve.graph.measuredContrast.size(), 17u);

    std::vector<double> gamma(18);
    for (int i = 0; i < 18; ++i)
        gamma[i] = 0.5 + 399.5 * std::pow(15.0 * i / 255.0, 2.2);
    const double expected = independentKd(gamma);
    const LuminanceResponse::Result result = LuminanceResponse::evaluate(gamma, 10);
    ASSERT_TRUE(result.valid);
    EXPECT_NEAR(result.kd, expected, 1e-9 * expected);
    EXPECT_GT(result.kd, 10); // a gamma display is far from the GSDF in the dark end
    EXPECT_FALSE(result.passed);
    EXPECT_TRUE(LuminanceResponse::evaluate(gamma, expected + 0.01).passed);
    EXPECT_TRUE(LuminanceResponse::evaluate(gamma, 0).passed); // no limit given
    EXPECT_DOUBLE_EQ(result.graph.targetLuminances.front(), 0.5);
    EXPECT_DOUBLE_EQ(result.graph.targetLuminances.back(), 400);
}

TEST(LuminanceResponseTest, FlatAndBlackResponsesStayFinite)
{
    // Equal targets take the JND floor instead of dividing by zero.
    const LuminanceResponse::Result flat = LuminanceResponse::evaluate({5, 5, 5, 5}, 10);
    ASSERT_TRUE(flat.valid);
    EXPECT_TRUE(std::isfinite(flat.kd));
    EXPECT_FALSE(flat.passed);
    for (const auto& point : flat.graph.targetContrast)
        EXPECT_TRUE(std::isfinite(point.second));

    const LuminanceResponse::Result oled = LuminanceResponse::evaluate({0, 1, 10, 100}, 10);
    ASSERT_TRUE(oled.valid);
    EXPECT_TRUE(std::isfinite(oled.kd));

    EXPECT_FALSE(LuminanceResponse::evaluate({1, 2}, 10).valid);
    EXPECT_FALSE(LuminanceResponse::evaluate({1, -2, 3}, 10).valid);
    EXPECT_FALSE(LuminanceResponse::evaluate({1, NAN, 3}, 10).valid);
}

const BlackWhiteCheck::Row* row(const BlackWhiteCheck::Result& result, const QString& name)
{
    const auto it = std::find_if(result.rows.begin(), result.rows.end(),
                                 [&](const BlackWhiteCheck::Row& r) { return r.name == name; });
    return it == result.rows.end() ? nullptr : &*it;
}

TEST(BlackWhiteCheckTest, QuantitiesIncludeAmbientAndOnlyGivenLimitsDecide)
{
    BlackWhiteCheck::Input input;
    input.lmax = 399;
    input.lmin = 0.5;
    input.lamb = 1;
    input.limits = {{"Lmax", 350}, {"LR", 250}, {"Ks", 500}, {"Lmin_mand", 0}};
    const BlackWhiteCheck::Result result = BlackWhiteCheck::evaluate(input);
    EXPECT_DOUBLE_EQ(result.lmaxPrime, 400);
    EXPECT_DOUBLE_EQ(result.lminPrime, 1.5);
    ASSERT_TRUE(row(result, "LR") && row(result, "LR")->value);
    EXPECT_NEAR(*row(result, "LR")->value, 400 / 1.5, 1e-12);
    EXPECT_TRUE(row(result, "LR")->passed);
    EXPECT_NEAR(*row(result, "La")->value, 1 / 1.5, 1e-12);
    EXPECT_FALSE(row(result, "La")->applied); // no "La" in the regulation
    EXPECT_FALSE(row(result, "Lmin_mand")->applied);
    EXPECT_FALSE(row(result, "Ks")->passed); // 400 < 500
    EXPECT_FALSE(result.passed);
    EXPECT_EQ(row(result, "Lmax")->criterion, "L'<sub>max</sub> &ge; ");

    input.limits.insert("La", 0.25);
    input.limits.remove("Ks");
    const BlackWhiteCheck::Result veiled = BlackWhiteCheck::evaluate(input);
    EXPECT_TRUE(row(veiled, "La")->applied);
    EXPECT_FALSE(veiled.passed);
    input.lamb = 0.1;
    EXPECT_TRUE(BlackWhiteCheck::evaluate(input).passed);
}

TEST(BlackWhiteCheckTest, BlackScreenAndNoAmbientDivideByNothing)
{
    BlackWhiteCheck::Input input;
    input.lmax = 400;
    input.limits = {{"LR", 250}, {"La", 0.25}, {"Ks", 10}, {"Lmin/Lamb", 0.1}};
    const BlackWhiteCheck::Result result = BlackWhiteCheck::evaluate(input);
    for (const QString name : {"LR", "La", "Ks", "Lmin/Lamb"}) {
        ASSERT_NE(row(result, name), nullptr) << qPrintable(name);
        EXPECT_FALSE(row(result, name)->value) << qPrintable(name);
        EXPECT_FALSE(row(result, name)->applied) << qPrintable(name);
    }
    EXPECT_TRUE(result.passed);
}

TEST(BlackWhiteCheckTest, ConstancyAndMultiDisplayDeviations)
{
    BlackWhiteCheck::Input input;
    input.lmax = 360;
    input.lmin = 1;
    input.limits = {{"dLmax", 10}, {"dLR", 10}, {"mdLmax", 5}};
    input.acceptance = {{"LR", 400}};
    const BlackWhiteCheck::Result noAcceptance = BlackWhiteCheck::evaluate(input);
    EXPECT_EQ(row(noAcceptance, "dLmax"), nullptr); // no acceptance Lmax: skipped
    ASSERT_NE(row(noAcceptance, "dLR"), nullptr);
    EXPECT_NEAR(*row(noAcceptance, "dLR")->value, 10, 1e-12);
    EXPECT_TRUE(noAcceptance.passed);
    EXPECT_EQ(row(noAcceptance, "mdLmax"), nullptr); // a single display

    input.acceptance.insert("Lmax", 400);
    input.others = {{340, 300}, {350, 350}};
    const BlackWhiteCheck::Result result = BlackWhiteCheck::evaluate(input);
    EXPECT_NEAR(*row(result, "dLmax")->value, 10, 1e-12);
    EXPECT_TRUE(row(result, "dLmax")->passed);
    EXPECT_NEAR(*row(result, "mdLmax")->value, 20.0 / 340 * 100, 1e-9);
    EXPECT_FALSE(row(result, "mdLmax")->passed);
    EXPECT_FALSE(result.passed);
}

TEST(UniformityCheckTest, DeviationAndLimits)
{
    EXPECT_EQ(UniformityCheck::deviation({80, 80, 80, 80, 80}), 0.0);
    EXPECT_EQ(UniformityCheck::deviation({100, 60, 80, 80, 80}), 50.0);
    EXPECT_EQ(UniformityCheck::deviation({100, 99, 100, 100, 98}), 2.02); // 2.0202... to two decimals
    EXPECT_EQ(UniformityCheck::deviation({0, 0, 0, 0, 0}), 0.0);
    EXPECT_FALSE(UniformityCheck::deviation({}));
    EXPECT_FALSE(UniformityCheck::deviation({1, -1, 1, 1, 1}));

    EXPECT_FALSE(UniformityCheck::checkUniformity(50, 30));
    EXPECT_TRUE(UniformityCheck::checkUniformity(30, 30));
    EXPECT_TRUE(UniformityCheck::checkUniformity(-5, -10));
    EXPECT_FALSE(UniformityCheck::checkUniformity(-11, -10));
    EXPECT_FALSE(UniformityCheck::checkUniformity(1, -10));
}

} // namespace
