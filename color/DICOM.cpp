#include "color/DICOM.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Coefficients of the luminance as a function of the JND index.
constexpr double A = -1.3011877;
constexpr double B = -2.5840191e-2;
constexpr double C = 8.0242636e-2;
constexpr double D = -1.0320229e-1;
constexpr double E = 1.3646699e-1;
constexpr double F = 2.8745620e-2;
constexpr double G = -2.5468404e-2;
constexpr double H = -3.1978977e-3;
constexpr double K = 1.2992634e-4;
constexpr double M = 1.3635334e-3;

// Coefficients of the JND index as a polynomial in log10 of the luminance.
constexpr std::array<double, 9> INDEX_COEFFICIENTS = {71.498068,   94.593053,  41.912053,
                                                      9.8247004,   0.28175407, -1.1878455,
                                                      -0.18014349, 0.14710899, -0.017046845};

constexpr double MIN_INTERVAL = 0.000001;

double contrastPerJnd(double lower, double upper, double jndStep)
{
    return ((upper - lower) / ((upper + lower) / 2)) / jndStep;
}

} // namespace

double DICOM::GetJNDIndex(double luminance)
{
    if (!(luminance > 0))
        return 0;
    const double lg = std::log10(luminance);
    double result = 0;
    for (auto it = INDEX_COEFFICIENTS.rbegin(); it != INDEX_COEFFICIENTS.rend(); ++it)
        result = result * lg + *it;
    return result;
}

double DICOM::GetLuminanceFromJNDIndex(double index)
{
    if (!(index > 0))
        return 0;
    const double x = std::log(index);
    const double x2 = x * x;
    const double x3 = x2 * x;
    const double x4 = x3 * x;
    const double x5 = x4 * x;
    const double numerator = A + C * x + E * x2 + G * x3 + M * x4;
    const double denominator = 1 + B * x + D * x2 + F * x3 + H * x4 + K * x5;
    return std::pow(10.0, numerator / denominator);
}

std::vector<double> DICOM::targetsFor(const std::vector<double>& luminances)
{
    const size_t n = luminances.size();
    std::vector<double> levels(n);
    for (size_t i = 0; i < n; ++i)
        levels[i] = std::round(static_cast<double>(i) * 255.0 / static_cast<double>(n - 1));
    const auto [lowest, highest] = std::minmax_element(luminances.begin(), luminances.end());
    const double jmin = GetJNDIndex(*lowest);
    const double jmax = GetJNDIndex(*highest);
    const double levelRange = levels.back() - levels.front();
    std::vector<double> targets(n);
    for (size_t i = 0; i < n; ++i)
        targets[i] =
            GetLuminanceFromJNDIndex(jmin + (levels[i] - levels.front()) * (jmax - jmin) / levelRange);
    targets.front() = luminances.front();
    targets.back() = luminances.back();
    return targets;
}

bool DICOM::GetGraphInfo(const std::vector<double>& luminances, GraphInfo& info)
{
    info = GraphInfo();
    if (luminances.size() < 2)
        return false;
    info.targetLuminances = targetsFor(luminances);
    const std::vector<double>& targets = info.targetLuminances;
    for (size_t i = 1; i < luminances.size(); ++i) {
        const double jLower = GetJNDIndex(targets[i - 1]);
        const double jUpper = GetJNDIndex(targets[i]);
        double step = jUpper - jLower;
        if (std::abs(step) < MIN_INTERVAL)
            step = MIN_INTERVAL;
        const double measured = contrastPerJnd(luminances[i - 1], luminances[i], step);
        const double target = contrastPerJnd(targets[i - 1], targets[i], step);
        const double jnd = (jUpper + jLower) / 2;
        info.measuredContrast.emplace_back(jnd, measured);
        info.targetContrast.emplace_back(jnd, target);
        const double deviation =
            std::abs(target) > 0.00001 ? 100 * std::abs(measured - target) / target : 100;
        info.deviations.push_back(deviation);
        info.maxDeviation = std::max(info.maxDeviation, deviation);
    }
    return true;
}
