// Target response curves: the DICOM grayscale standard display function against
// its published table, the closed-form curves at their defining points, the
// factory's name matching and the custom curve's validation.
#include "color/CurvesFactory.h"
#include "color/CustomCurve.h"
#include "color/DICOM.h"
#include "color/DICOMCurve.h"
#include "color/GammaCurve.h"
#include "color/HLGCurve.h"
#include "color/PQCurve.h"
#include "color/Tamsel3Curve.h"

#include <QtGlobal>

#include <cmath>
#include <gtest/gtest.h>
#include <typeinfo>

namespace {

// DICOM PS3.14 Table B-1, luminance (cd/m²) of the first JND indices.
const double GSDF_TABLE[][2] = {{1, 0.0500}, {2, 0.0547}, {3, 0.0594}, {4, 0.0643}, {5, 0.0696},
                                {6, 0.0750}, {7, 0.0807}, {8, 0.0866}, {9, 0.0927}, {10, 0.0991}};

QStringList g_messages;

void collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages << message;
}

TEST(TargetCurveTest, GrayscaleStandardDisplayFunction)
{
    for (const auto& row : GSDF_TABLE)
        EXPECT_NEAR(DICOM::GetLuminanceFromJNDIndex(row[0]), row[1], 5e-5) << row[0];
    // The function spans 0.05 to about 4000 cd/m² over JND 1 to 1023.
    EXPECT_NEAR(DICOM::GetLuminanceFromJNDIndex(1023), 4000, 0.002 * 4000);
    EXPECT_NEAR(DICOM::GetJNDIndex(0.05), 1, 0.05);
    EXPECT_NEAR(DICOM::GetJNDIndex(4000), 1023, 0.5);
    // The two published formulas are inverse to each other within a small fraction of a JND.
    for (double j = 1; j <= 1023; j += 17)
        EXPECT_NEAR(DICOM::GetJNDIndex(DICOM::GetLuminanceFromJNDIndex(j)), j, 0.1) << j;
    EXPECT_EQ(DICOM::GetJNDIndex(0), 0);
    EXPECT_EQ(DICOM::GetLuminanceFromJNDIndex(-3), 0);
}

TEST(TargetCurveTest, DicomCurveAndConformanceGraph)
{
    DICOMCurve curve;
    curve.SetMinMaxLuminance(0.5, 400);
    EXPECT_NEAR(curve.GetTarget(0, 255), 0.5, 1e-3);
    EXPECT_NEAR(curve.GetTarget(255, 255), 400, 0.5);
    std::vector<double> levels;
    curve.GetTarget(levels, 18);
    ASSERT_EQ(levels.size(), 18u);
    // Equal JND steps between levels.
    const double step = DICOM::GetJNDIndex(levels[1]) - DICOM::GetJNDIndex(levels[0]);
    for (size_t i = 2; i < levels.size(); ++i)
        EXPECT_NEAR(DICOM::GetJNDIndex(levels[i]) - DICOM::GetJNDIndex(levels[i - 1]), step, 0.1);
    EXPECT_EQ(curve.GetPosition(400.0005, 255), 255);
    EXPECT_EQ(curve.GetPosition(0.4995, 255), 0);
    EXPECT_NEAR(curve.GetPosition(curve.GetTarget(100, 255), 255), 100, 0.05);

    // A display that follows the curve conforms; one that follows gamma 2.2 does not.
    DICOM::GraphInfo conforming;
    ASSERT_TRUE(DICOM::GetGraphInfo(levels, conforming));
    EXPECT_EQ(conforming.measuredContrast.size(), 17u);
    EXPECT_LT(conforming.maxDeviation, 1.0);
    GammaCurve gamma(2.2);
    gamma.SetMinMaxLuminance(0.5, 400);
    std::vector<double> gammaLevels;
    gamma.GetTarget(gammaLevels, 18);
    DICOM::GraphInfo failing;
    ASSERT_TRUE(DICOM::GetGraphInfo(gammaLevels, failing));
    EXPECT_GT(failing.maxDeviation, 10.0);
    EXPECT_FALSE(DICOM::GetGraphInfo({1.0}, failing));
}

TEST(TargetCurveTest, ClosedFormCurvesHitTheirEndsAndInvert)
{
    const QStringList names = {"dicom",  "tamsel", "cie l*", "srgb",   "rec709",
                               "bt1886", "gamma",  "HDR/PQ", "HDR/HLG"};
    for (const QString& name : names) {
        auto curve = CurvesFactory::createCurve(name, 2.2);
        curve->SetMinMaxLuminance(0.8, 250);
        SCOPED_TRACE(name.toStdString());
        EXPECT_NEAR(curve->GetTarget(0, 255), 0.8, 1e-3);
        EXPECT_NEAR(curve->GetTarget(255, 255), 250, name == "tamsel" ? 0.01 : 0.3);
        for (double p = 5; p < 255; p += 25) {
            const double L = curve->GetTarget(p, 255);
            EXPECT_GT(L, curve->GetTarget(p - 5, 255));
            // The two GSDF formulas are inverse only to about 0.01 JND.
            EXPECT_NEAR(curve->GetPosition(L, 255), p, name == "dicom" ? 0.05 : 1e-3);
        }
    }
    // sRGB mid grey: 0.5 encodes 21.404 % (IEC 61966-2-1); BT.1886 with a zero black is a pure 2.4 power.
    auto srgb = CurvesFactory::createCurve("srgb", 0);
    srgb->SetMinMaxLuminance(0, 100);
    EXPECT_NEAR(srgb->GetTarget(0.5, 1), 21.404, 1e-3);
    auto bt1886 = CurvesFactory::createCurve("BT1886", 0);
    bt1886->SetMinMaxLuminance(0, 100);
    EXPECT_NEAR(bt1886->GetTarget(0.5, 1), 100 * std::pow(0.5, 2.4), 1e-9);
    // CIE L* 50 is 18.42 % luminance.
    auto cie = CurvesFactory::createCurve("CIE L*", 0);
    cie->SetMinMaxLuminance(0, 100);
    EXPECT_NEAR(cie->GetTarget(0.5, 1), 18.4187, 1e-3);
    GammaCurve linear(1.0);
    linear.SetMinMaxLuminance(10, 110);
    EXPECT_DOUBLE_EQ(linear.GetTarget(0.25, 1), 35);
    EXPECT_LT(linear.GetPosition(5, 255), 0);
}

TEST(TargetCurveTest, HighDynamicRangeCurves)
{
    // ST 2084: a signal of 0.5 is 92.25 cd/m², 0.75 is 983.4 cd/m².
    EXPECT_NEAR(PQCurve::eotf(0.5), 92.2457, 1e-3);
    EXPECT_NEAR(PQCurve::eotf(0.75), 983.3854, 0.01);
    EXPECT_NEAR(PQCurve::inverseEotf(100), 0.508078, 1e-5);
    EXPECT_EQ(PQCurve::eotf(1.5), 10000);
    PQCurve pq;
    pq.SetMinMaxLuminance(-5, 20000);
    double min = -1, max = -1;
    pq.GetMinMaxLuminance(min, max);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 10000);
    EXPECT_NEAR(pq.GetTarget(0.5, 1), 92.2457, 1e-3);
    pq.SetMinMaxLuminance(200, 100);
    pq.GetMinMaxLuminance(min, max);
    EXPECT_EQ(max, 200);
    EXPECT_EQ(pq.GetTarget(0.5, 1), 200);
    EXPECT_EQ(pq.GetPosition(150, 1), 0);

    // BT.2100 HLG: OETF(1/12) = 0.5, OETF(1) = 1, and the system gamma of 1000 cd/m² is 1.2.
    EXPECT_NEAR(HLGCurve::oetf(1.0 / 12), 0.5, 1e-12);
    EXPECT_NEAR(HLGCurve::oetf(1.0), 1.0, 1e-6);
    EXPECT_NEAR(HLGCurve::inverseOetf(HLGCurve::oetf(0.3)), 0.3, 1e-12);
    EXPECT_DOUBLE_EQ(HLGCurve::systemGamma(1000), 1.2);
    EXPECT_DOUBLE_EQ(HLGCurve::systemGamma(100), 1.2 * std::pow(1.111, std::log2(0.1)));
    HLGCurve hlg;
    hlg.SetMinMaxLuminance(0, 1000);
    EXPECT_NEAR(hlg.GetTarget(0.5, 1), 1000 * std::pow(1.0 / 12, 1.2), 1e-9);
    hlg.SetMinMaxLuminance(10, 10);
    EXPECT_EQ(hlg.GetTarget(0.5, 1), 10);
}

TEST(TargetCurveTest, FactoryNames)
{
    const auto type = [](const QString& name) {
        auto curve = CurvesFactory::createCurve(name, 2.2);
        return curve->CurveName();
    };
    EXPECT_EQ(type("CIE L*"), "CIE L*");
    EXPECT_EQ(type("BT1886"), "BT.1886");
    EXPECT_EQ(type("BT.1886"), "DICOM");
    EXPECT_EQ(type("BT.709"), "DICOM");
    EXPECT_EQ(type("HDR/PQ"), "HDR/PQ");
    EXPECT_EQ(type("hdr/hlg"), "HDR/HLG");
    EXPECT_EQ(type("rec709 bt1886"), "BT.709");
    EXPECT_EQ(type("Tamsel3 curve"), "Tamsel3");
    EXPECT_EQ(type("custom"), "Unnamed curve");
    EXPECT_EQ(type("anything"), "DICOM");
    EXPECT_EQ(CurvesFactory::curvesList(),
              QStringList({"dicom", "tamsel3", "tamsel", "cie l*", "srgb", "rec709", "bt1886", "gamma"}));
    EXPECT_EQ(CurvesFactory::curveName("gamma", 2.2), "Gamma 2.2");
    EXPECT_EQ(CurvesFactory::curveName("gamma", 0), "Gamma");
    EXPECT_EQ(CurvesFactory::curveName("srgb", 2.2), "sRGB");
    EXPECT_EQ(CurvesFactory::curveName("My Curve", 1), "My Curve");
    EXPECT_EQ(CurvesFactory::curveName("DICOM", 1), "DICOM");
}

TEST(TargetCurveTest, Tamsel3SpansTheLuminanceRange)
{
    Tamsel3Curve curve;
    curve.SetMinMaxLuminance(5, 300);
    EXPECT_NEAR(curve.GetTarget(0, 255), 5, 0.01);
    EXPECT_NEAR(curve.GetTarget(255, 255), 300, 0.01);
    EXPECT_GT(curve.GetTarget(128, 255), curve.GetTarget(127, 255));
    EXPECT_NEAR(curve.GetPosition(curve.GetTarget(100, 255), 255), 100, 0.5);
}

TEST(TargetCurveTest, CustomCurveRefusesBadDataWithAReason)
{
    auto curve = CurvesFactory::createCurve("custom", 0);
    curve->SetMinMaxLuminance(1, 101);
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    EXPECT_FALSE(CurvesFactory::initCustomCurve(curve.get(), {0, 1, 2}, {0, 1, 2}, "three"));
    EXPECT_FALSE(CurvesFactory::initCustomCurve(curve.get(), {0, 1, 1, 3}, {0, 1, 2, 3}, "equal"));
    EXPECT_FALSE(CurvesFactory::initCustomCurve(curve.get(), {0, 1, 2, 3}, {0, 2, 1, 3}, "falling"));
    EXPECT_FALSE(CurvesFactory::initCustomCurve(curve.get(), {0, -1, 2, 3}, {0, 1, 2, 3}, "negative"));
    EXPECT_FALSE(CurvesFactory::initCustomCurve(curve.get(), {0, 0, 0, 0}, {0, 1, 2, 3}, "zero"));
    qInstallMessageHandler(previous);
    const QString log = g_messages.join('\n');
    for (const char* reason :
         {"wrong size", "Equal DDL", "Non-monotonic curve", "Negative Value", "wrong data"})
        EXPECT_TRUE(log.contains(reason)) << reason;
    auto* custom = dynamic_cast<CustomCurve*>(curve.get());
    ASSERT_NE(custom, nullptr);
    EXPECT_FALSE(custom->IsValid());
    EXPECT_EQ(custom->GetTarget(0.5, 1), 0);

    // Points on a straight line give a straight line; outside the scale the ends are pushed away.
    ASSERT_TRUE(CurvesFactory::initCustomCurve(curve.get(), {255, 0, 128, 64},
                                               {100, 0, 128.0 / 2.55, 64.0 / 2.55}, "linear"));
    EXPECT_EQ(curve->CurveName(), "linear");
    EXPECT_NEAR(curve->GetTarget(200, 255), 1 + 100 * 200.0 / 255, 1e-9);
    EXPECT_EQ(curve->GetTarget(1.5, 1), 201);
    EXPECT_EQ(curve->GetTarget(-0.5, 1), -99);
    EXPECT_NEAR(curve->GetPosition(51, 255), 127.5, 1e-3);
    EXPECT_FALSE(CurvesFactory::initCustomCurve(nullptr, {}, {}, "none"));
    GammaCurve gamma(2.2);
    EXPECT_FALSE(CurvesFactory::initCustomCurve(&gamma, {0, 1, 2, 3}, {0, 1, 2, 3}, "gamma"));
}

TEST(TargetCurveTest, DegenerateRangesStayFinite)
{
    for (const QString& name : CurvesFactory::curvesList() + QStringList{"HDR/PQ", "HDR/HLG"}) {
        auto curve = CurvesFactory::createCurve(name, 2.2);
        curve->SetMinMaxLuminance(0, 0);
        std::vector<double> out;
        curve->GetTarget(out, 1);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_TRUE(std::isfinite(out[0])) << name.toStdString();
        EXPECT_TRUE(std::isfinite(curve->GetPosition(0, 255))) << name.toStdString();
        EXPECT_TRUE(std::isfinite(curve->GetPosition(std::nan(""), 255))) << name.toStdString();
    }
}

} // namespace
