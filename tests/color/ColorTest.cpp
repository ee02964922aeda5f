// Colour values against CIE reference data: standard illuminant white points, the
// L*a*b* conversions and their round trips, and the degenerate inputs.
#include "color/Color.h"

#include "color/SpectralData.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct WhitePoint
{
    Color::Illuminant illuminant;
    Color::Observer observer;
    double x;
    double y;
};

// Chromaticities published by the CIE (CIE 15, tables of illuminant white points).
const WhitePoint PUBLISHED_WHITES[] = {
    {Color::Illuminant::A, Color::Observer::CIE1931TwoDegree, 0.44757, 0.40745},
    {Color::Illuminant::B, Color::Observer::CIE1931TwoDegree, 0.34842, 0.35161},
    {Color::Illuminant::C, Color::Observer::CIE1931TwoDegree, 0.31006, 0.31616},
    {Color::Illuminant::D50, Color::Observer::CIE1931TwoDegree, 0.34567, 0.35850},
    {Color::Illuminant::D55, Color::Observer::CIE1931TwoDegree, 0.33242, 0.34743},
    {Color::Illuminant::D65, Color::Observer::CIE1931TwoDegree, 0.31271, 0.32902},
    {Color::Illuminant::D75, Color::Observer::CIE1931TwoDegree, 0.29902, 0.31485},
    {Color::Illuminant::A, Color::Observer::CIE1964TenDegree, 0.45117, 0.40594},
    {Color::Illuminant::D50, Color::Observer::CIE1964TenDegree, 0.34773, 0.35952},
    {Color::Illuminant::D65, Color::Observer::CIE1964TenDegree, 0.31382, 0.33100},
};

// The fluorescent illuminants: their mercury lines make the chromaticity depend on the
// integration rule, so they are checked against the CIE's plain 5 nm summation only.
const WhitePoint PUBLISHED_FLUORESCENT_WHITES[] = {
    // 2°: CIE 15:2004 prints these to four decimals.
    {Color::Illuminant::F2, Color::Observer::CIE1931TwoDegree, 0.3721, 0.3751},
    {Color::Illuminant::F7, Color::Observer::CIE1931TwoDegree, 0.3129, 0.3292},
    {Color::Illuminant::F11, Color::Observer::CIE1931TwoDegree, 0.3805, 0.3769},
    {Color::Illuminant::F2, Color::Observer::CIE1964TenDegree, 0.37925, 0.36733},
    {Color::Illuminant::F7, Color::Observer::CIE1964TenDegree, 0.31569, 0.32960},
    {Color::Illuminant::F11, Color::Observer::CIE1964TenDegree, 0.38541, 0.37123},
};

// Chromaticity of an illuminant by the CIE's rule: a plain sum over the 5 nm table.
std::pair<double, double> summedChromaticity(const WhitePoint& white)
{
    const auto& power = SpectralData::illuminant(static_cast<int>(white.illuminant));
    double xyz[3] = {0.0, 0.0, 0.0};
    for (int channel = 0; channel < 3; ++channel) {
        const auto& cmf = SpectralData::colorMatching(static_cast<int>(white.observer), channel);
        for (size_t i = 0; i < power.size(); ++i)
            xyz[channel] += power[i] * cmf[i];
    }
    const double sum = xyz[0] + xyz[1] + xyz[2];
    return {xyz[0] / sum, xyz[1] / sum};
}

std::vector<double> perfectReflector(size_t samples)
{
    return std::vector<double>(samples, 1.0);
}

class ColorTest : public ::testing::Test
{
protected:
    // Every test starts from the white the program starts with.
    void SetUp() override { Color::SetWhiteReference(Color::D50); }
    void TearDown() override { Color::SetWhiteReference(Color::D50); }
};

TEST_F(ColorTest, PerfectReflectorGivesThePublishedWhitePoints)
{
    for (const WhitePoint& white : PUBLISHED_WHITES) {
        const Color c = Color::FromSpectro(perfectReflector(81), white.observer, white.illuminant);
        SCOPED_TRACE(static_cast<int>(white.illuminant) * 10 + static_cast<int>(white.observer));
        EXPECT_NEAR(static_cast<double>(c.Y()), 100.0, 1e-9);
        EXPECT_NEAR(static_cast<double>(c.x()), white.x, 3e-4);
        EXPECT_NEAR(static_cast<double>(c.y()), white.y, 3e-4);
    }
    // ASTM E308 tristimulus values of the D65 and D50 whites, 2° observer.
    const Color d65 =
        Color::FromSpectro(perfectReflector(81), Color::Observer::CIE1931TwoDegree, Color::Illuminant::D65);
    EXPECT_NEAR(static_cast<double>(d65.X()), 95.047, 0.02);
    EXPECT_NEAR(static_cast<double>(d65.Z()), 108.883, 0.02);
    const Color d50 =
        Color::FromSpectro(perfectReflector(81), Color::Observer::CIE1931TwoDegree, Color::Illuminant::D50);
    EXPECT_NEAR(static_cast<double>(d50.X()), 96.422, 0.02);
    EXPECT_NEAR(static_cast<double>(d50.Z()), 82.521, 0.02);
    // An unknown illuminant is D50, an unknown observer the 2° one.
    const Color fallback = Color::FromSpectro(perfectReflector(81), static_cast<Color::Observer>(7),
                                              static_cast<Color::Illuminant>(42));
    EXPECT_TRUE(fallback == d50);
}

TEST_F(ColorTest, TabulatedIlluminantsSumToThePublishedWhitePoints)
{
    // A mistyped sample in any table moves its white point by more than the tolerance.
    std::vector<WhitePoint> whites(std::begin(PUBLISHED_WHITES), std::end(PUBLISHED_WHITES));
    whites.insert(whites.end(), std::begin(PUBLISHED_FLUORESCENT_WHITES),
                  std::end(PUBLISHED_FLUORESCENT_WHITES));
    for (const WhitePoint& white : whites) {
        SCOPED_TRACE(static_cast<int>(white.illuminant) * 10 + static_cast<int>(white.observer));
        const auto [x, y] = summedChromaticity(white);
        EXPECT_NEAR(x, white.x, 1.5e-4);
        EXPECT_NEAR(y, white.y, 1.5e-4);
    }
}

TEST_F(ColorTest, SpectraOfOtherLengthsAreResampled)
{
    EXPECT_TRUE(
        Color::FromSpectro({1.0, 1.0}, Color::Observer::CIE1931TwoDegree, Color::Illuminant::D65).isEmpty());
    // A ramp in 10 nm steps is resampled without bending, so it matches the 5 nm ramp.
    std::vector<double> ramp10(41);
    std::vector<double> ramp5(81);
    for (size_t i = 0; i < ramp10.size(); ++i)
        ramp10[i] = 0.2 + 0.6 * static_cast<double>(i) / 40.0;
    for (size_t i = 0; i < ramp5.size(); ++i)
        ramp5[i] = 0.2 + 0.6 * static_cast<double>(i) / 80.0;
    const Color fine = Color::FromSpectro(ramp5, Color::Observer::CIE1931TwoDegree, Color::Illuminant::D65);
    const Color coarse =
        Color::FromSpectro(ramp10, Color::Observer::CIE1931TwoDegree, Color::Illuminant::D65);
    EXPECT_NEAR(static_cast<double>(coarse.X()), static_cast<double>(fine.X()), 1e-9);
    EXPECT_NEAR(static_cast<double>(coarse.Z()), static_cast<double>(fine.Z()), 1e-9);
    // A sample of 400..700 nm in 10 nm steps lies on a zero-filled full range.
    const Color partial = Color::FromSpectro(std::vector<double>(31, 1.0), 400, 700,
                                             Color::Observer::CIE1931TwoDegree, Color::Illuminant::D65);
    EXPECT_FALSE(partial.isEmpty());
    EXPECT_GT(static_cast<double>(partial.Y()), 95.0);
    EXPECT_LT(static_cast<double>(partial.Y()), 100.0);
}

TEST_F(ColorTest, LabOfKnownColoursUnderD50AndD65)
{
    // Reference: CIE 15 formulas evaluated by hand for the white itself and for mid grey.
    const Color white = Color::FromXYZ(0.9642, 1.0, 0.8249);
    EXPECT_NEAR(static_cast<double>(white.L()), 100.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(white.a()), 0.0, 1e-12);
    EXPECT_NEAR(static_cast<double>(white.b()), 0.0, 1e-12);
    const Color grey = Color::FromXYZ(0.9642 * 0.18, 0.18, 0.8249 * 0.18);
    EXPECT_NEAR(static_cast<double>(grey.L()), 49.496107, 1e-5);
    // sRGB red under D65 (IEC 61966-2-1 primaries): L* 53.2408, a* 80.0925, b* 67.2032.
    const Color::TempWhiteReference d65(Color::FromXYZ(0.95047, 1.0, 1.08883));
    const Color red = Color::FromXYZ(0.412456, 0.212673, 0.019334);
    EXPECT_NEAR(static_cast<double>(red.L()), 53.2408, 2e-3);
    EXPECT_NEAR(static_cast<double>(red.a()), 80.0925, 2e-3);
    EXPECT_NEAR(static_cast<double>(red.b()), 67.2032, 2e-3);
    EXPECT_NEAR(static_cast<double>(red.C()), std::hypot(80.0925, 67.2032), 3e-3);
    EXPECT_NEAR(static_cast<double>(red.h()), 39.999, 5e-3);
    // u'v' of D65 (CIE 15): 0.1978, 0.4683.
    const Color d65Colour = Color::FromxyY(0.31271, 0.32902, 1.0);
    EXPECT_NEAR(static_cast<double>(d65Colour.u1()), 0.19783, 2e-5);
    EXPECT_NEAR(static_cast<double>(d65Colour.v1()), 0.46833, 2e-5);
    EXPECT_NEAR(static_cast<double>(d65Colour.u()), 0.0, 0.02);
    EXPECT_NEAR(static_cast<double>(d65Colour.v()), 0.0, 0.02);
}

TEST_F(ColorTest, RoundTripsOverAGridStayWithinRounding)
{
    for (double L = 0; L <= 100; L += 2.5) {
        for (double a = -120; a <= 120; a += 20) {
            for (double b = -120; b <= 120; b += 20) {
                const Color lab = Color::FromLab(L, a, b);
                const Color back = Color::FromXYZ(lab.X(), lab.Y(), lab.Z());
                ASSERT_NEAR(static_cast<double>(back.L()), L, 1e-9) << L << " " << a << " " << b;
                ASSERT_NEAR(static_cast<double>(back.a()), a, 1e-9) << L << " " << a << " " << b;
                ASSERT_NEAR(static_cast<double>(back.b()), b, 1e-9) << L << " " << a << " " << b;
            }
        }
    }
    for (double x = 0.05; x < 0.7; x += 0.05) {
        for (double y = 0.05; y < 0.8 - x; y += 0.05) {
            const Color c = Color::FromxyY(x, y, 42.0);
            const Color back = Color::FromXYZ(c.X(), c.Y(), c.Z());
            ASSERT_NEAR(static_cast<double>(back.x()), x, 1e-12);
            ASSERT_NEAR(static_cast<double>(back.y()), y, 1e-12);
            ASSERT_NEAR(static_cast<double>(back.Y()), 42.0, 1e-12);
        }
    }
}

TEST_F(ColorTest, DegenerateInputsStayFinite)
{
    const Color black = Color::FromXYZ(0, 0, 0);
    EXPECT_EQ(black.L(), 0);
    EXPECT_EQ(black.x(), Color::D50.x());
    EXPECT_EQ(black.y(), Color::D50.y());
    EXPECT_EQ(black.u1(), 0);
    EXPECT_EQ(Color::FromxyY(0.3, 0, 50).X(), 0);
    EXPECT_EQ(Color::FromLab(0, 3, -4).h(), Color::FromLab(0, 3, -4).h()); // not NaN
    EXPECT_DOUBLE_EQ(static_cast<double>(Color::FromLab(50, 0, -1).h()), 270.0);
    EXPECT_TRUE(std::isnan(static_cast<double>(black.callGetterByName('q'))));
    EXPECT_EQ(black.callGetterByName('Y'), 0);

    // With no usable white every L*a*b* is (100, 0, 0).
    Color::SetWhiteReference(Color());
    const Color c = Color::FromXYZ(10, 20, 30);
    EXPECT_EQ(c.L(), 100);
    EXPECT_EQ(c.a(), 0);
    Color::SetWhiteReference(Color::FromXYZ(0, 0, 0));
    EXPECT_EQ(Color::FromXYZ(10, 20, 30).L(), 100);
    Color::SetWhiteReference(Color());
    Color::InitReference();
    EXPECT_NEAR(static_cast<double>(Color::GetWhiteReference().x()), 0.31272, 1e-12);
    EXPECT_NEAR(static_cast<double>(Color::GetWhiteReference().Y()), 100, 1e-12);

    long double R = -1, G = -1, B = -1;
    Color::fromXYZtoRGBf(1e9, -5, std::nanl(""), R, G, B);
    EXPECT_TRUE(R >= 0 && R <= 1 && G >= 0 && G <= 1 && B >= 0 && B <= 1);
}

TEST_F(ColorTest, AmbientAndTemporaryWhite)
{
    Color c = Color::FromxyY(0.3, 0.31, 80);
    c.addAmbient(20);
    EXPECT_NEAR(static_cast<double>(c.Y()), 100, 1e-12);
    EXPECT_NEAR(static_cast<double>(c.x()), 0.3, 1e-12);
    // A black reading has no chromaticity of its own and takes D65's.
    Color dark;
    dark.addAmbient(0.5);
    EXPECT_EQ(dark.space(), 1);
    EXPECT_NEAR(static_cast<double>(dark.x()), 0.31271, 1e-12);
    EXPECT_NEAR(static_cast<double>(dark.Y()), 0.5, 1e-12);
    {
        const Color::TempWhiteReference guard(Color::D65);
        EXPECT_TRUE(Color::GetWhiteReference() == Color::D65);
    }
    EXPECT_TRUE(Color::GetWhiteReference() == Color::D50);
}

} // namespace
