#pragma once

#include "color/DICOM.h"

#include <vector>

// How far a measured grey-scale response is from the GSDF between its own darkest and
// brightest luminance: the largest relative error of the contrast per JND over all
// intervals (kD, in %), and the verdict against a tolerance.
class LuminanceResponse
{
public:
    struct Result
    {
        bool valid = false; // false for fewer than three luminances or a non-finite one
        DICOM::GraphInfo graph;
        double kd = 0;    // %
        double limit = 0; // %; not applied when not positive
        bool limitApplied = false;
        bool passed = false;
    };

    // `luminances` in cd/m², measured at equally spaced 8-bit levels, darkest level first.
    static Result evaluate(const std::vector<double>& luminances, double kdLimit);
};
