// Colour differences: CIEDE2000 against the test data published with the formula's
// implementation notes (Sharma, Wu, Dalal 2005), the 1976 and 1994 formulas, and
// the white handling of the colour forms.
#include "color/ColorDistance.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Pair
{
    double L1, a1, b1, L2, a2, b2, dE;
};

const Pair SHARMA_PAIRS[] = {
    {50.0000, 2.6772, -79.7751, 50.0000, 0.0000, -82.7485, 2.0425},
    {50.0000, 3.1571, -77.2803, 50.0000, 0.0000, -82.7485, 2.8615},
    {50.0000, 2.8361, -74.0200, 50.0000, 0.0000, -82.7485, 3.4412},
    {50.0000, -1.3802, -84.2814, 50.0000, 0.0000, -82.7485, 1.0000},
    {50.0000, -1.1848, -84.8006, 50.0000, 0.0000, -82.7485, 1.0000},
    {50.0000, -0.9009, -85.5211, 50.0000, 0.0000, -82.7485, 1.0000},
    {50.0000, 0.0000, 0.0000, 50.0000, -1.0000, 2.0000, 2.3669},
    {50.0000, -1.0000, 2.0000, 50.0000, 0.0000, 0.0000, 2.3669},
    {50.0000, 2.4900, -0.0010, 50.0000, -2.4900, 0.0009, 7.1792},
    {50.0000, 2.4900, -0.0010, 50.0000, -2.4900, 0.0010, 7.1792},
    {50.0000, 2.4900, -0.0010, 50.0000, -2.4900, 0.0011, 7.2195},
    {50.0000, 2.4900, -0.0010, 50.0000, -2.4900, 0.0012, 7.2195},
    {50.0000, -0.0010, 2.4900, 50.0000, 0.0009, -2.4900, 4.8045},
    {50.0000, -0.0010, 2.4900, 50.0000, 0.0010, -2.4900, 4.8045},
    {50.0000, -0.0010, 2.4900, 50.0000, 0.0011, -2.4900, 4.7461},
    {50.0000, 2.5000, 0.0000, 50.0000, 0.0000, -2.5000, 4.3065},
    {50.0000, 2.5000, 0.0000, 73.0000, 25.0000, -18.0000, 27.1492},
    {50.0000, 2.5000, 0.0000, 61.0000, -5.0000, 29.0000, 22.8977},
    {50.0000, 2.5000, 0.0000, 56.0000, -27.0000, -3.0000, 31.9030},
    {50.0000, 2.5000, 0.0000, 58.0000, 24.0000, 15.0000, 19.4535},
    {50.0000, 2.5000, 0.0000, 50.0000, 3.1736, 0.5854, 1.0000},
    {50.0000, 2.5000, 0.0000, 50.0000, 3.2972, 0.0000, 1.0000},
    {50.0000, 2.5000, 0.0000, 50.0000, 1.8634, 0.5757, 1.0000},
    {50.0000, 2.5000, 0.0000, 50.0000, 3.2592, 0.3350, 1.0000},
    {60.2574, -34.0099, 36.2677, 60.4626, -34.1751, 39.4387, 1.2644},
    {63.0109, -31.0961, -5.8663, 62.8187, -29.7946, -4.0864, 1.2630},
    {61.2901, 3.7196, -5.3901, 61.4292, 2.2480, -4.9620, 1.8731},
    {35.0831, -44.1164, 3.7933, 35.0232, -40.0716, 1.5901, 1.8645},
    {22.7233, 20.0904, -46.6940, 23.0331, 14.9730, -42.5619, 2.0373},
    {36.4612, 47.8580, 18.3852, 36.2715, 50.5065, 21.2231, 1.4146},
    {90.8027, -2.0831, 1.4410, 91.1528, -1.6435, 0.0447, 1.4441},
    {90.9257, -0.5406, -0.9208, 88.6381, -0.8985, -0.7239, 1.5381},
    {6.7747, -0.2908, -2.4247, 5.8714, -0.0985, -2.2286, 0.6377},
    {2.0776, 0.0795, -1.1350, 0.9033, -0.0636, -0.5514, 0.9082},
};

TEST(ColorDistanceTest, CIEDE2000MatchesThePublishedTestPairs)
{
    for (size_t i = 0; i < std::size(SHARMA_PAIRS); ++i) {
        const Pair& p = SHARMA_PAIRS[i];
        // The data are printed to four decimals.
        EXPECT_NEAR(ColorDistance::dE2000(p.L1, p.a1, p.b1, p.L2, p.a2, p.b2), p.dE, 5e-5)
            << "pair " << i + 1;
        // The formula is symmetric.
        EXPECT_NEAR(ColorDistance::dE2000(p.L2, p.a2, p.b2, p.L1, p.a1, p.b1), p.dE, 5e-5)
            << "pair " << i + 1;
    }
}

TEST(ColorDistanceTest, DegenerateDifferencesAreFinite)
{
    EXPECT_EQ(ColorDistance::dE2000(50, 10, -10, 50, 10, -10), 0);
    EXPECT_EQ(ColorDistance::dE1994(50, 10, -10, 50, 10, -10), 0);
    EXPECT_EQ(ColorDistance::dE2000(0, 0, 0, 0, 0, 0), 0);
    // Neutral against neutral: only lightness counts, weighted by SL.
    EXPECT_NEAR(ColorDistance::dE2000(50, 0, 0, 60, 0, 0), 10 / (1 + 0.015 * 25 / std::sqrt(45)), 1e-12);
    // Hue angles just either side of 0°/360° are close, not 360° apart.
    const double across = ColorDistance::dE2000(50, 20, -0.01, 50, 20, 0.01);
    EXPECT_LT(across, 0.05);
    EXPECT_TRUE(std::isfinite(ColorDistance::dE1994(0, 0, 0, 100, 0, 0)));
}

TEST(ColorDistanceTest, CIE1976And1994Formulas)
{
    EXPECT_DOUBLE_EQ(ColorDistance::dE1976(0, 3, 4, 0, 0, 0), 5);
    EXPECT_DOUBLE_EQ(ColorDistance::dE1994(50, 0, 0, 60, 0, 0), 10);
    // Chroma difference of a saturated reference: 10 / (1 + 0.045 * 50).
    EXPECT_NEAR(ColorDistance::dE1994(50, 50, 0, 50, 40, 0), 10 / 3.25, 1e-12);
    // A pure hue difference at equal chroma: ΔH = Δab, weighted by 1 + 0.015 C1.
    EXPECT_NEAR(ColorDistance::dE1994(50, 30, 40, 50, 40, 30), std::sqrt(200.0) / 1.75, 1e-12);
    // The first colour is the reference, so swapping changes the weights.
    EXPECT_NE(ColorDistance::dE1994(50, 50, 0, 50, 40, 0), ColorDistance::dE1994(50, 40, 0, 50, 50, 0));
}

TEST(ColorDistanceTest, ColourFormsChooseAWhiteAndRestoreIt)
{
    Color::SetWhiteReference(Color::D50);
    const Color c1 = Color::FromLab(60, 20, -30);
    const Color c2 = Color::FromLab(55, 25, -20);
    EXPECT_NEAR(ColorDistance::dE1976Lab(c1, c2), ColorDistance::dE1976(60, 20, -30, 55, 25, -20), 1e-9);
    EXPECT_NEAR(ColorDistance::dE1976ab(c1, c2), std::hypot(5.0, 10.0), 1e-9);
    EXPECT_NEAR(ColorDistance::dE1976L(c1, c2), 5, 1e-9);
    EXPECT_NEAR(ColorDistance::dE2000Lab(c1, c2), ColorDistance::dE2000(60, 20, -30, 55, 25, -20), 1e-9);
    EXPECT_NEAR(ColorDistance::dE2000ab(c1, c2), ColorDistance::dE2000(0, 20, -30, 0, 25, -20), 1e-9);
    EXPECT_NEAR(ColorDistance::dE2000L(c1, c2), ColorDistance::dE2000(60, 0, 0, 55, 0, 0), 1e-9);
    EXPECT_NEAR(ColorDistance::dE1994L(c1, c2), 5, 1e-9);
    for (const auto form : {&ColorDistance::dE1976Lab, &ColorDistance::dE1994Lab, &ColorDistance::dE2000Lab,
                            &ColorDistance::dE1994ab, &ColorDistance::dE2000ab, &ColorDistance::dE1976L})
        EXPECT_EQ(form(c1, c1), 0);
    EXPECT_TRUE(Color::GetWhiteReference() == Color::D50);

    // With no white set the first colour becomes the white: it is then L 100, a = b = 0.
    Color::SetWhiteReference(Color::FromXYZ(0, 0, 0));
    const Color reference = Color::FromXYZ(50, 40, 30);
    const Color sample = Color::FromXYZ(25, 20, 15);
    Color expected = sample;
    {
        const Color::TempWhiteReference probe(reference);
        expected.ReCalc();
    }
    EXPECT_NEAR(ColorDistance::dE1976Lab(reference, sample),
                ColorDistance::dE1976(100, 0, 0, static_cast<double>(expected.L()),
                                      static_cast<double>(expected.a()), static_cast<double>(expected.b())),
                1e-9);
    EXPECT_EQ(Color::GetWhiteReference().X(), 0);
    Color::SetWhiteReference(Color::D50);
}

} // namespace
