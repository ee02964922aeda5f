#include "color/ColorTemperature.h"

#include "color/Color.h"

#include <array>
#include <cmath>

namespace {

struct IsotemperatureLine
{
    double reciprocal; // per megakelvin
    double u;
    double v;
    double t;
};

// Robertson (1968), isotemperature lines in the CIE 1960 UCS.
constexpr std::array<IsotemperatureLine, 31> ROBERTSON = {{
    {0, 0.18006, 0.26352, -0.24341},   {10, 0.18066, 0.26589, -0.25479},  {20, 0.18133, 0.26846, -0.26876},
    {30, 0.18208, 0.27119, -0.28539},  {40, 0.18293, 0.27407, -0.30470},  {50, 0.18388, 0.27709, -0.32675},
    {60, 0.18494, 0.28021, -0.35156},  {70, 0.18611, 0.28342, -0.37915},  {80, 0.18740, 0.28668, -0.40955},
    {90, 0.18880, 0.28997, -0.44278},  {100, 0.19032, 0.29326, -0.47888}, {125, 0.19462, 0.30141, -0.58204},
    {150, 0.19962, 0.30921, -0.70471}, {175, 0.20525, 0.31647, -0.84901}, {200, 0.21142, 0.32312, -1.0182},
    {225, 0.21807, 0.32909, -1.2168},  {250, 0.22511, 0.33439, -1.4512},  {275, 0.23247, 0.33904, -1.7298},
    {300, 0.24010, 0.34308, -2.0637},  {325, 0.24792, 0.34655, -2.4681},  {350, 0.25591, 0.34951, -2.9641},
    {375, 0.26400, 0.35200, -3.5814},  {400, 0.27218, 0.35407, -4.3633},  {425, 0.28039, 0.35577, -5.3762},
    {450, 0.28863, 0.35714, -6.7262},  {475, 0.29685, 0.35823, -8.5955},  {500, 0.30505, 0.35907, -11.324},
    {525, 0.31320, 0.35968, -15.628},  {550, 0.32129, 0.36011, -23.325},  {575, 0.32931, 0.36038, -40.770},
    {600, 0.33724, 0.36051, -116.45},
}};

double daylightX(double T)
{
    const double T2 = T * T;
    const double T3 = T2 * T;
    if (T <= 7000)
        return -4.6070e9 / T3 + 2.9678e6 / T2 + 99.11 / T + 0.244063;
    return -2.0064e9 / T3 + 1.9018e6 / T2 + 247.48 / T + 0.23704;
}

} // namespace

void ColorTemperature::Ttoxy(double T, double& x, double& y)
{
    if (!(T >= 4000 && T <= 25000)) {
        x = 0;
        y = 0;
        return;
    }
    x = daylightX(T);
    y = -3.0 * x * x + 2.87 * x - 0.275;
}

double ColorTemperature::xytoT(double x, double y)
{
    const Color c = Color::FromxyY(x, y, 100);
    const double XYZ[3] = {static_cast<double>(c.X()), static_cast<double>(c.Y()),
                           static_cast<double>(c.Z())};
    double T = 0;
    return XYZtoCorColorTemp(XYZ, T) == 0 ? T : 0;
}

int XYZtoCorColorTemp(const double* XYZ, double& T)
{
    const double X = XYZ[0];
    const double Y = XYZ[1];
    const double Z = XYZ[2];
    if (X < 1e-20 && Y < 1e-20 && Z < 1e-20)
        return -1;
    const double denominator = X + 15 * Y + 3 * Z;
    if (!std::isfinite(denominator) || denominator == 0)
        return -1;
    const double us = 4 * X / denominator;
    const double vs = 6 * Y / denominator;
    double previous = 0;
    for (size_t i = 0; i < ROBERTSON.size(); ++i) {
        const IsotemperatureLine& line = ROBERTSON[i];
        const double distance = ((vs - line.v) - line.t * (us - line.u)) / std::sqrt(1 + line.t * line.t);
        if (i > 0 && ((distance < 0 && previous >= 0) || (distance >= 0 && previous < 0))) {
            const double reciprocal =
                ROBERTSON[i - 1].reciprocal +
                (line.reciprocal - ROBERTSON[i - 1].reciprocal) * previous / (previous - distance);
            // On the 0-mired line itself the temperature is infinite: no answer.
            if (!(reciprocal > 0))
                return -1;
            T = 1e6 / reciprocal;
            return 0;
        }
        previous = distance;
    }
    return -1;
}
