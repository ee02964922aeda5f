#include "color/ColorDistance.h"

#include <cmath>
#include <mutex>
#include <numbers>

namespace {

constexpr double POW25_7 = 6103515625.0; // 25^7

double degrees(double radians)
{
    return radians * 180.0 / std::numbers::pi;
}

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

double hueAngle(double b, double a)
{
    if (a == 0 && b == 0)
        return 0;
    const double h = std::atan2(b, a);
    return h < 0 ? h + 2 * std::numbers::pi : h;
}

// The saved white is shared by every thread that computes a difference.
std::mutex& savedWhiteMutex()
{
    static std::mutex mutex;
    return mutex;
}

const Color& chromaticFallbackWhite()
{
    static const Color white = Color::FromxyY(0.3127, 0.329, 100);
    return white;
}

} // namespace

Color ColorDistance::m_savedWhite;

double ColorDistance::dE1976(double L1, double a1, double b1, double L2, double a2, double b2)
{
    const double dL = L1 - L2;
    const double da = a1 - a2;
    const double db = b1 - b2;
    return std::sqrt(dL * dL + da * da + db * db);
}

double ColorDistance::dE1994(double L1, double a1, double b1, double L2, double a2, double b2)
{
    const double C1 = std::sqrt(a1 * a1 + b1 * b1);
    const double C2 = std::sqrt(a2 * a2 + b2 * b2);
    const double dL = L1 - L2;
    const double da = a1 - a2;
    const double db = b1 - b2;
    const double dC = C1 - C2;
    const double dH2 = std::max(0.0, da * da + db * db - dC * dC);
    const double SC = 1 + 0.045 * C1;
    const double SH = 1 + 0.015 * C1;
    return std::sqrt(dL * dL + (dC / SC) * (dC / SC) + dH2 / (SH * SH));
}

double ColorDistance::dE2000(double L1, double a1, double b1, double L2, double a2, double b2)
{
    const double Cab = (std::hypot(a1, b1) + std::hypot(a2, b2)) / 2;
    const double Cab7 = std::pow(Cab, 7);
    const double G = 0.5 * (1 - std::sqrt(Cab7 / (Cab7 + POW25_7)));
    const double a1p = (1 + G) * a1;
    const double a2p = (1 + G) * a2;
    const double C1p = std::hypot(a1p, b1);
    const double C2p = std::hypot(a2p, b2);
    const double h1p = hueAngle(b1, a1p);
    const double h2p = hueAngle(b2, a2p);

    const double dLp = L2 - L1;
    const double dCp = C2p - C1p;
    double dhp = 0;
    if (C1p * C2p != 0) {
        dhp = h2p - h1p;
        if (dhp > std::numbers::pi)
            dhp -= 2 * std::numbers::pi;
        else if (dhp < -std::numbers::pi)
            dhp += 2 * std::numbers::pi;
    }
    const double dHp = 2 * std::sqrt(C1p * C2p) * std::sin(dhp / 2);

    const double Lbar = (L1 + L2) / 2;
    const double Cbarp = (C1p + C2p) / 2;
    double hbarp = h1p + h2p;
    if (C1p * C2p != 0) {
        if (std::abs(h1p - h2p) <= std::numbers::pi)
            hbarp /= 2;
        else if (h1p + h2p < 2 * std::numbers::pi)
            hbarp = (hbarp + 2 * std::numbers::pi) / 2;
        else
            hbarp = (hbarp - 2 * std::numbers::pi) / 2;
    }
    const double hDeg = degrees(hbarp);
    const double T = 1 - 0.17 * std::cos(radians(hDeg - 30)) + 0.24 * std::cos(radians(2 * hDeg)) +
                     0.32 * std::cos(radians(3 * hDeg + 6)) - 0.20 * std::cos(radians(4 * hDeg - 63));
    const double dTheta = 30 * std::exp(-std::pow((hDeg - 275) / 25, 2));
    const double Cbarp7 = std::pow(Cbarp, 7);
    const double RC = 2 * std::sqrt(Cbarp7 / (Cbarp7 + POW25_7));
    const double Lm50 = (Lbar - 50) * (Lbar - 50);
    const double SL = 1 + 0.015 * Lm50 / std::sqrt(20 + Lm50);
    const double SC = 1 + 0.045 * Cbarp;
    const double SH = 1 + 0.015 * Cbarp * T;
    const double RT = -std::sin(radians(2 * dTheta)) * RC;

    const double tL = dLp / SL;
    const double tC = dCp / SC;
    const double tH = dHp / SH;
    return std::sqrt(tL * tL + tC * tC + tH * tH + RT * tC * tH);
}

void ColorDistance::fakeWhite(const Color& fallback)
{
    const std::lock_guard<std::mutex> lock(savedWhiteMutex());
    m_savedWhite = Color::GetWhiteReference();
    if (m_savedWhite.X() == 0 && m_savedWhite.Y() == 0 && m_savedWhite.Z() == 0)
        Color::SetWhiteReference(fallback);
}

void ColorDistance::restoreWhite()
{
    const std::lock_guard<std::mutex> lock(savedWhiteMutex());
    Color::SetWhiteReference(m_savedWhite);
}

double ColorDistance::colorForm(Color c1, Color c2, const Color& fallbackWhite, Formula formula, Part part)
{
    fakeWhite(fallbackWhite);
    c1.ReCalc();
    c2.ReCalc();
    double result = 0;
    const auto L = [part](const Color& c) {
        return part == Part::Chromatic ? 0.0 : static_cast<double>(c.L());
    };
    const auto a = [part](const Color& c) {
        return part == Part::Lightness ? 0.0 : static_cast<double>(c.a());
    };
    const auto b = [part](const Color& c) {
        return part == Part::Lightness ? 0.0 : static_cast<double>(c.b());
    };
    result = formula(L(c1), a(c1), b(c1), L(c2), a(c2), b(c2));
    restoreWhite();
    return result;
}

double ColorDistance::dE1976Lab(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE1976, Part::All);
}

double ColorDistance::dE1976ab(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE1976, Part::Chromatic);
}

double ColorDistance::dE1976L(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE1976, Part::Lightness);
}

double ColorDistance::dE1994Lab(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE1994, Part::All);
}

double ColorDistance::dE1994ab(Color c1, Color c2)
{
    return colorForm(std::move(c1), std::move(c2), chromaticFallbackWhite(), &dE1994, Part::Chromatic);
}

double ColorDistance::dE1994L(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE1994, Part::Lightness);
}

double ColorDistance::dE2000Lab(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE2000, Part::All);
}

double ColorDistance::dE2000ab(Color c1, Color c2)
{
    return colorForm(std::move(c1), std::move(c2), chromaticFallbackWhite(), &dE2000, Part::Chromatic);
}

double ColorDistance::dE2000L(Color c1, Color c2)
{
    const Color white = c1;
    return colorForm(std::move(c1), std::move(c2), white, &dE2000, Part::Lightness);
}
