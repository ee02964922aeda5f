// Test patterns drawn in an offscreen window: what a sensor at each position would see.
#include "qa/patterns/TestPatternWindow.h"

#include <QImage>

#include <cmath>
#include <gtest/gtest.h>

namespace {

QImage shown(TestPatternWindow& window)
{
    return window.grab().toImage();
}

int greyAtFraction(const QImage& image, double x, double y)
{
    return qGray(image.pixel(int(x * (image.width() - 1)), int(y * (image.height() - 1))));
}

} // namespace

TEST(TestPatterns, LuminancePatchesSitOnTheirLevelsAndFieldsAreUniform)
{
    TestPatternWindow window;
    const QRect display(0, 0, 400, 300);

    for (int number = 1; number <= 18; ++number) {
        const QString pattern = number < 10 ? QStringLiteral("TG18-LN8-0%1").arg(number)
                                            : QStringLiteral("TG18-LN8-%1").arg(number);
        ASSERT_TRUE(window.showPattern(pattern, display)) << pattern.toStdString();
        const QImage image = shown(window);
        ASSERT_EQ(image.size(), display.size());
        EXPECT_EQ(greyAtFraction(image, 0.5, 0.5), int(std::lround((number - 1) * 255 / 17.0))) << number;
        EXPECT_EQ(greyAtFraction(image, 0.05, 0.05), 51) << number;
        EXPECT_EQ(window.pattern().greyAt("center"), window.pattern().patch());
        EXPECT_EQ(window.pattern().greyAt("top-left"), 51);
    }

    // A uniformity field at a position: the same grey wherever the sensor goes.
    ASSERT_TRUE(window.showPattern("TG18-UNL:<>:top-right:<>:80", display));
    const QImage field = shown(window);
    for (const auto& [x, y] : {std::pair{0.5, 0.5}, {0.16, 0.16}, {0.84, 0.16}, {0.16, 0.84}, {0.84, 0.84}})
        EXPECT_EQ(greyAtFraction(field, x, y), 204) << x << "," << y;
    EXPECT_EQ(window.pattern().markedPosition(), "top-right");
    ASSERT_TRUE(window.showPattern("TG18-UN10", display));
    EXPECT_EQ(greyAtFraction(shown(window), 0.5, 0.5), 26);
    ASSERT_TRUE(window.showPattern("Solid_255", display));
    EXPECT_EQ(greyAtFraction(shown(window), 0.9, 0.9), 255);

    // A name nobody knows shows black and says so, rather than a stale pattern.
    for (const char* bad : {"TG18-LN8-19", "TG18-LN8-00", "Solid_256", "TG18-UNL:<>:center:<>:x", ""}) {
        EXPECT_FALSE(window.showPattern(bad, display)) << bad;
        EXPECT_EQ(greyAtFraction(shown(window), 0.5, 0.5), 0) << bad;
    }
}
