#pragma once

#include <utility>
#include <vector>

// The Grayscale Standard Display Function of DICOM PS3.14: JND index <-> luminance.
class DICOM
{
public:
    using GraphPoint = std::pair<double, double>; // (JND index, value)

    // What the grey-scale conformance graph shows for one measured response.
    struct GraphInfo
    {
        std::vector<double> targetLuminances;
        std::vector<GraphPoint> measuredContrast; // contrast per JND
        std::vector<GraphPoint> targetContrast;
        std::vector<double> deviations; // per interval, percent
        double maxDeviation = 0;        // kD
    };

    // The published polynomial in log10 L; 0 for a luminance <= 0.
    static double GetJNDIndex(double luminance);
    // The published rational function in ln j; 0 for an index <= 0.
    static double GetLuminanceFromJNDIndex(double index);
    // `luminances` measured at evenly spread 8-bit levels, darkest first. False (and
    // an empty result) for fewer than two values.
    static bool GetGraphInfo(const std::vector<double>& luminances, GraphInfo& info);

private:
    static std::vector<double> targetsFor(const std::vector<double>& luminances);
};
