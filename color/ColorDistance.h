#pragma once

#include "color/Color.h"

// CIE colour differences of 1976, 1994 and 2000. The colour forms work under a
// white of their choosing when none is set, and leave the white as they found it.
class ColorDistance
{
public:
    static double dE1976(double L1, double a1, double b1, double L2, double a2, double b2);
    // Graphic-arts weights; the first colour is the reference, so the order matters.
    static double dE1994(double L1, double a1, double b1, double L2, double a2, double b2);
    static double dE2000(double L1, double a1, double b1, double L2, double a2, double b2);

    static double dE1976Lab(Color c1, Color c2);
    static double dE1976ab(Color c1, Color c2);
    static double dE1976L(Color c1, Color c2);
    static double dE1994Lab(Color c1, Color c2);
    static double dE1994ab(Color c1, Color c2);
    static double dE1994L(Color c1, Color c2);
    static double dE2000Lab(Color c1, Color c2);
    static double dE2000ab(Color c1, Color c2);
    static double dE2000L(Color c1, Color c2);

    static void fakeWhite(const Color& fallback);
    static void restoreWhite();

private:
    using Formula = double (*)(double, double, double, double, double, double);
    enum class Part
    {
        All,
        Chromatic,
        Lightness
    };
    static double colorForm(Color c1, Color c2, const Color& fallbackWhite, Formula formula, Part part);

    static Color m_savedWhite;
};
