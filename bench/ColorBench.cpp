// Throughput of the colour arithmetic that QA checks run per measurement:
// CIEDE2000 differences and GSDF evaluations in both directions.
#include "bench/support/BenchReport.h"
#include "color/Color.h"
#include "color/ColorDistance.h"
#include "color/DICOM.h"
#include "color/DICOMCurve.h"

#include <vector>

namespace {

// Keeps the optimiser from dropping the loops.
volatile double g_sink = 0;

} // namespace

void runBenchmarks(BenchReport& report)
{
    report.measureAndAdd("colour: 1000 x dE2000 (L*a*b* form)", [] {
        double sum = 0;
        for (int i = 0; i < 1000; ++i)
            sum += ColorDistance::dE2000(50 + i % 7, 2.5 + i % 11, -79.7 + i % 5, 50, 0, -82.7);
        g_sink = sum;
    });
    const Color reference = Color::FromLab(60, 20, -30);
    const Color sample = Color::FromLab(55, 25, -20);
    report.measureAndAdd("colour: 1000 x dE2000Lab (two colours, white handling)", [&] {
        double sum = 0;
        for (int i = 0; i < 1000; ++i)
            sum += ColorDistance::dE2000Lab(reference, sample);
        g_sink = sum;
    });
    report.measureAndAdd("colour: 1000 x GSDF luminance from JND index", [] {
        double sum = 0;
        for (int i = 1; i <= 1000; ++i)
            sum += DICOM::GetLuminanceFromJNDIndex(i);
        g_sink = sum;
    });
    report.measureAndAdd("colour: 1000 x GSDF JND index from luminance", [] {
        double sum = 0;
        for (int i = 1; i <= 1000; ++i)
            sum += DICOM::GetJNDIndex(0.05 + i * 4.0);
        g_sink = sum;
    });
    DICOMCurve curve;
    curve.SetMinMaxLuminance(0.5, 400);
    std::vector<double> levels;
    report.measureAndAdd("colour: DICOM target of 1024 levels", [&] {
        curve.GetTarget(levels, 1024);
        g_sink = levels.back();
    });
}
