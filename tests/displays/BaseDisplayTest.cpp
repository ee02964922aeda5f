#include "displays/BaseDisplay.h"

#include "displays/DisplayFactory.h"
#include "lut/LUT.h"
#include "lut/WindowsLUT.h"
#include "tests/displays/SimDisplays.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace {

// A LUT inside the display (what DDC/CI and USB display classes attach).
class InternalLUT : public LUT
{
public:
    InternalLUT() { setCommunicationInterface(DISPIFACE_USB); }
    bool RealUploadLUT(const luts_t& /*table*/) override { return true; }
};

// A display with brightness and contrast controls and a LUT of its own, standing in
// for the vendor classes whose channels are not reachable here.
class ControlledDisplay : public BaseDisplay
{
public:
    using BaseDisplay::BaseDisplay;

    bool isBrightnessAvailable(unsigned* max) override
    {
        if (max)
            *max = 100;
        setOk(true);
        return true;
    }
    unsigned brightness() override { return m_brightness; }
    void setBrightness(unsigned value) override { m_brightness = value; }
    bool isContrastAvailable(unsigned* max) override
    {
        if (max)
            *max = 100;
        setOk(true);
        return m_hasContrast;
    }
    int contrast() override { return m_contrast; }
    void setContrast(unsigned value) override { m_contrast = int(value); }
    void attachInternalLUT() override
    {
        ++internalAttaches;
        attachLUT(new InternalLUT);
    }

    unsigned m_brightness = 40;
    int m_contrast = 55;
    bool m_hasContrast = true;
    int internalAttaches = 0;
};

} // namespace

TEST(BaseDisplay, PlainDisplayReportsEveryControlAsMissing)
{
    BaseDisplay display(3);
    unsigned max = 0;
    EXPECT_FALSE(display.isBrightnessAvailable(&max));
    EXPECT_EQ(max, unsigned(-1));
    EXPECT_FALSE(display.ok());
    EXPECT_FALSE(display.isChannelAvailable(COLORCHANNEL_GREEN, &max));
    EXPECT_TRUE(display.ok()); // asking about a channel is always answered
    display.on();
    EXPECT_FALSE(display.ok());
    EXPECT_EQ(display.brightnessStabilizationTimeLong(), 3 * display.brightnessStabilizationTime());
    EXPECT_EQ(display.GetCommunicationMode(), DISP_COMM_TYPE_GBOARD);
    EXPECT_EQ(display.GetLUTNames(), QStringList{QStringLiteral("N/A")});
    EXPECT_EQ(display.communicationInterface(), DISPIFACE_VIDEOCARD);
    EXPECT_TRUE(display.getDisplaySettings().empty());
    EXPECT_TRUE(display.setDisplaySettings({}));

    display.attachInternalLUT();
    EXPECT_FALSE(display.ok());
    EXPECT_EQ(display.lut(), nullptr);
    EXPECT_TRUE(display.ok());
}

TEST(BaseDisplay, AttachedLUTIsOwnedAndReplaced)
{
    BaseDisplay display(1);
    QPointer<LUT> first(new InternalLUT);
    display.attachLUT(first);
    EXPECT_EQ(display.lut(), first.data());
    QPointer<LUT> second(new InternalLUT);
    display.attachLUT(second);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(display.lut(), second.data());
    {
        ControlledDisplay owner(2);
        owner.attachInternalLUT();
        second = owner.lut();
    }
    EXPECT_TRUE(second.isNull());
}

TEST(BaseDisplay, DisplaySettingsRoundTripAndRefuseAMissingBrightness)
{
    ControlledDisplay display(1);
    const auto settings = display.getDisplaySettings();
    EXPECT_EQ(settings, (std::map<QString, QString>{{"brightness", "40"}, {"contrast", "55"}}));

    EXPECT_FALSE(display.setDisplaySettings({{"contrast", "10"}}));
    EXPECT_EQ(display.m_contrast, 55);

    EXPECT_TRUE(display.setDisplaySettings({{"brightness", "70"}, {"contrast", "20"}}));
    EXPECT_EQ(display.m_brightness, 70u);
    EXPECT_EQ(display.m_contrast, 20);

    display.m_hasContrast = false;
    EXPECT_TRUE(display.setDisplaySettings({{"brightness", "30"}}));
    EXPECT_EQ(display.m_brightness, 30u);
    EXPECT_EQ(display.getDisplaySettings().count("contrast"), 0u);
}

class ReattachFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(SimDisplays::install(
            {SimDisplays::display(QStringLiteral("DP-1"), SimDisplays::edid("ABC", 1, QStringLiteral("X")))},
            &error))
            << qPrintable(error);
    }
    void TearDown() override { SimDisplays::uninstall(); }
};

TEST_F(ReattachFixture, LutGoesWhereTheInterfacesSay)
{
    const auto lutOf = [](ControlledDisplay& display) { return display.lut(); };
    {
        // An explicit video-card target wins even over a display with its own LUT.
        ControlledDisplay display(1);
        DisplayFactory::reatachLUT(1, &display, DISPIFACE_USB, DISPIFACE_VIDEOCARD, false);
        EXPECT_NE(qobject_cast<WindowsLUT*>(lutOf(display)), nullptr);
        EXPECT_EQ(display.internalAttaches, 0);
    }
    {
        // No preference on the video card interface: the internal LUT is never tried.
        ControlledDisplay display(1);
        DisplayFactory::reatachLUT(1, &display, DISPIFACE_VIDEOCARD, DISPIFACE_NONE, false);
        EXPECT_NE(qobject_cast<WindowsLUT*>(lutOf(display)), nullptr);
        EXPECT_EQ(display.internalAttaches, 0);
    }
    {
        // No preference elsewhere: the display's own LUT comes first.
        ControlledDisplay display(1);
        DisplayFactory::reatachLUT(1, &display, DISPIFACE_USB, DISPIFACE_NONE, false);
        EXPECT_EQ(lutOf(display)->communicationInterface(), DISPIFACE_USB);
        EXPECT_EQ(display.internalAttaches, 1);
    }
    for (const displayiface_t target : {DISPIFACE_SERIAL, DISPIFACE_DDCCI, DISPIFACE_USB}) {
        ControlledDisplay display(1);
        display.attachLUT(DisplayFactory::createLUT(1));
        DisplayFactory::reatachLUT(1, &display, DISPIFACE_VIDEOCARD, target, false);
        EXPECT_EQ(lutOf(display)->communicationInterface(), DISPIFACE_USB) << target;
    }
    {
        // With no preference, a display without an internal LUT falls back to the card.
        BaseDisplay display(1);
        DisplayFactory::reatachLUT(1, &display, DISPIFACE_USB, DISPIFACE_NONE, false);
        EXPECT_NE(qobject_cast<WindowsLUT*>(display.lut()), nullptr);
        // An explicit internal target on a display without one leaves it without a LUT.
        DisplayFactory::reatachLUT(1, &display, DISPIFACE_VIDEOCARD, DISPIFACE_DDCCI, false);
        EXPECT_EQ(display.lut(), nullptr);
    }
    DisplayFactory::reatachLUT(1, nullptr, DISPIFACE_USB, DISPIFACE_NONE, false);
}
