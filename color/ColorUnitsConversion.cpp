#include "color/ColorUnitsConversion.h"

#include <cmath>

double ColorUnitsConversion::cdtofL(double candelas)
{
    return std::round(candelas / CD_PER_FOOTLAMBERT * 100) / 100;
}

double ColorUnitsConversion::fLtoCd(double footLamberts)
{
    return std::round(footLamberts * CD_PER_FOOTLAMBERT * 100) / 100;
}
