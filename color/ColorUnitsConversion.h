#pragma once

// Luminance units: candela per square metre and foot-lamberts, rounded to hundredths.
class ColorUnitsConversion
{
public:
    static constexpr double CD_PER_FOOTLAMBERT = 3.4262591;

    static double cdtofL(double candelas);
    static double fLtoCd(double footLamberts);
};
