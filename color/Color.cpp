#include "color/Color.h"

#include "color/MonotoneCubicSpline.h"

#include <QDebug>

#include <cmath>
#include <mutex>

namespace {

constexpr long double EPSILON = 216.0L / 24389.0L;
constexpr long double KAPPA = 24389.0L / 27.0L;
constexpr long double NEAR_ZERO = 1e-4L;

// Guards the class-wide white: conversions work on a snapshot, so a change by
// another thread is seen either wholly or not at all.
std::mutex& whiteMutex()
{
    static std::mutex mutex;
    return mutex;
}

long double labCompand(long double ratio)
{
    return ratio > EPSILON ? std::cbrt(ratio) : (KAPPA * ratio + 16) / 116;
}

long double labExpand(long double f)
{
    const long double cube = f * f * f;
    return cube > EPSILON ? cube : (116 * f - 16) / KAPPA;
}

long double uPrime(long double X, long double Y, long double Z)
{
    const long double d = X + 15 * Y + 3 * Z;
    return std::abs(d) < NEAR_ZERO ? 0 : 4 * X / d;
}

long double vPrime(long double X, long double Y, long double Z)
{
    const long double d = X + 15 * Y + 3 * Z;
    return std::abs(d) < NEAR_ZERO ? 0 : 9 * Y / d;
}

// Simpson weights over the first 80 intervals and a trapezoid over the last, in nm.
double integrationWeight(int index)
{
    if (index == 0)
        return 5.0 / 3.0;
    if (index == 79)
        return 5.0 / 3.0 + 2.5;
    if (index == 80)
        return 2.5;
    return index % 2 == 1 ? 20.0 / 3.0 : 10.0 / 3.0;
}

} // namespace

// Defined in this order so that the white starts empty, the standard whites are
// built, and only then D50 becomes the white reference.
Color Color::Ref_White_;
const Color Color::D50 = Color::FromXYZ(0.9642L, 1.0L, 0.8249L);
const Color Color::D65 = Color::FromxyY(0.31271L, 0.32902L, 1.0L);
namespace {
[[maybe_unused]] const bool whiteIsD50 = (Color::SetWhiteReference(Color::D50), true);
} // namespace

Color Color::FromXYZ(long double X, long double Y, long double Z)
{
    const Color white = GetWhiteReference();
    Color c;
    c.m_space = 0;
    c.m_X = X;
    c.m_Y = Y;
    c.m_Z = Z;
    c.xyzToLab(white);
    c.xyzToxy(white);
    return c;
}

Color Color::FromxyY(long double x, long double y, long double Y)
{
    const Color white = GetWhiteReference();
    Color c;
    c.m_space = 1;
    c.m_x = x;
    c.m_y = y;
    c.m_Y = Y;
    c.xyYToXyz();
    c.xyzToLab(white);
    return c;
}

Color Color::FromLab(long double L, long double a, long double b)
{
    const Color white = GetWhiteReference();
    Color c;
    c.m_space = 2;
    c.m_L = L;
    c.m_a = a;
    c.m_b = b;
    c.labToXyz(white);
    c.xyzToxy(white);
    return c;
}

void Color::xyzToLab(const Color& white)
{
    if (white.m_space == -1 || (white.m_X == 0 && white.m_Y == 0 && white.m_Z == 0)) {
        m_L = 100;
        m_a = 0;
        m_b = 0;
        return;
    }
    // A zero component of the white cannot scale its ratio; that ratio counts as 0.
    const auto ratio = [](long double v, long double w) { return w == 0 ? 0 : v / w; };
    const long double fx = labCompand(ratio(m_X, white.m_X));
    const long double fy = labCompand(ratio(m_Y, white.m_Y));
    const long double fz = labCompand(ratio(m_Z, white.m_Z));
    m_L = 116 * fy - 16;
    m_a = 500 * (fx - fy);
    m_b = 200 * (fy - fz);
}

void Color::labToXyz(const Color& white)
{
    const long double fy = (m_L + 16) / 116;
    const long double fx = fy + m_a / 500;
    const long double fz = fy - m_b / 200;
    const long double yr = m_L > KAPPA * EPSILON ? fy * fy * fy : m_L / KAPPA;
    m_X = white.m_X * labExpand(fx);
    m_Y = white.m_Y * yr;
    m_Z = white.m_Z * labExpand(fz);
}

void Color::xyzToxy(const Color& white)
{
    const long double sum = m_X + m_Y + m_Z;
    if (std::abs(sum) >= NEAR_ZERO && std::abs(m_Y) >= NEAR_ZERO) {
        m_x = m_X / sum;
        m_y = m_Y / sum;
    } else {
        m_x = white.m_x;
        m_y = white.m_y;
    }
}

void Color::xyYToXyz()
{
    if (std::abs(m_y) >= NEAR_ZERO) {
        m_X = m_x * m_Y / m_y;
        m_Z = (1 - m_x - m_y) * m_Y / m_y;
    } else {
        m_X = m_Y = m_Z = 0;
    }
}

long double Color::u1() const
{
    return uPrime(m_X, m_Y, m_Z);
}

long double Color::v1() const
{
    return vPrime(m_X, m_Y, m_Z);
}

long double Color::u() const
{
    const Color white = GetWhiteReference();
    return 13 * m_L * (u1() - uPrime(white.m_X, white.m_Y, white.m_Z));
}

long double Color::v() const
{
    const Color white = GetWhiteReference();
    return 13 * m_L * (v1() - vPrime(white.m_X, white.m_Y, white.m_Z));
}

long double Color::C() const
{
    return std::sqrt(m_a * m_a + m_b * m_b);
}

long double Color::h() const
{
    long double degrees = std::atan2(m_b, m_a) * 180 / 3.14159265358979323846264338327950288L;
    if (degrees < 0)
        degrees += 360;
    return degrees;
}

long double Color::callGetterByName(char code) const
{
    switch (code) {
    case 'x':
        return m_x;
    case 'y':
        return m_y;
    case 'Y':
        return m_Y;
    default:
        qDebug() << "Color::callGetterByName bad getterCode in CallGetterByName" << code;
        return std::nanl("bad getterCode in CallGetterByName");
    }
}

bool Color::operator==(const Color& other) const
{
    return static_cast<double>(m_X) == static_cast<double>(other.m_X) &&
           static_cast<double>(m_Y) == static_cast<double>(other.m_Y) &&
           static_cast<double>(m_Z) == static_cast<double>(other.m_Z);
}

void Color::ReCalc()
{
    const Color white = GetWhiteReference();
    switch (m_space) {
    case 1:
        xyYToXyz();
        xyzToLab(white);
        break;
    case 2:
        labToXyz(white);
        xyzToxy(white);
        break;
    case 0:
    case 3:
        xyzToLab(white);
        xyzToxy(white);
        break;
    default:
        break;
    }
}

Color& Color::addAmbient(long double ambientLuminance)
{
    if (std::abs(m_y) >= 1e-5L) {
        *this = FromxyY(m_x, m_y, m_Y + ambientLuminance);
        return *this;
    }
    m_x = D65.m_x;
    m_y = D65.m_y;
    m_Y += ambientLuminance;
    m_space = 1;
    ReCalc();
    return *this;
}

void Color::fromXYZtoRGBf(long double X, long double Y, long double Z, long double& R, long double& G,
                          long double& B)
{
    const long double whiteY = GetWhiteReference().m_Y;
    const long double scale = std::abs(whiteY) > 0 ? whiteY : 1;
    const long double x = X / scale;
    const long double y = Y / scale;
    const long double z = Z / scale;
    const auto encode = [](long double linear) {
        const long double clamped = std::isnan(linear) ? 0 : std::clamp(linear, 0.0L, 1.0L);
        return std::pow(clamped, 1 / 2.2L);
    };
    R = encode(3.1338561L * x - 1.6168667L * y - 0.4906146L * z);
    G = encode(-0.9787684L * x + 1.9161415L * y + 0.033454L * z);
    B = encode(0.0719453L * x - 0.2289914L * y + 1.4052427L * z);
}

void Color::SetWhiteReference(const Color& white)
{
    const std::lock_guard<std::mutex> lock(whiteMutex());
    Ref_White_ = white;
}

Color Color::GetWhiteReference()
{
    const std::lock_guard<std::mutex> lock(whiteMutex());
    return Ref_White_;
}

void Color::InitReference()
{
    if (GetWhiteReference().m_space == -1)
        SetWhiteReference(FromxyY(0.31272L, 0.32903L, 100));
}

const SpectralData::Samples& Color::spectralLambdaX(Observer observer)
{
    return SpectralData::colorMatching(static_cast<int>(observer), 0);
}

const SpectralData::Samples& Color::spectralLambdaY(Observer observer)
{
    return SpectralData::colorMatching(static_cast<int>(observer), 1);
}

const SpectralData::Samples& Color::spectralLambdaZ(Observer observer)
{
    return SpectralData::colorMatching(static_cast<int>(observer), 2);
}

const SpectralData::Samples& Color::spectralIlluminant(Illuminant illuminant)
{
    return SpectralData::illuminant(static_cast<int>(illuminant));
}

Color Color::FromSpectro(const std::vector<double>& spectrum, Observer observer, Illuminant illuminant)
{
    const size_t n = spectrum.size();
    if (n < 3)
        return Color();
    SpectralData::Samples samples{};
    if (n == samples.size()) {
        std::copy(spectrum.begin(), spectrum.end(), samples.begin());
        return integrateSpectrum(samples, observer, illuminant);
    }
    std::vector<double> wavelengths(n);
    for (size_t i = 0; i < n; ++i)
        wavelengths[i] = 380.0 + 400.0 * static_cast<double>(i) / static_cast<double>(n - 1);
    const MonotoneCubicSpline spline(std::move(wavelengths), spectrum);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double wavelength = std::min(780.0, 380.0 + 5.0 * static_cast<double>(i));
        if (!spline.evaluate(wavelength, samples[i])) {
            qDebug() << "Color::FromSpectro interpolation error at" << wavelength;
            return Color();
        }
    }
    return integrateSpectrum(samples, observer, illuminant);
}

Color Color::FromSpectro(const std::vector<double>& spectrum, int firstWavelength, int lastWavelength,
                         Observer observer, Illuminant illuminant)
{
    if (firstWavelength == 380 && lastWavelength == 780)
        return FromSpectro(spectrum, observer, illuminant);
    const int n = static_cast<int>(spectrum.size());
    const int step = n > 1 ? (lastWavelength - firstWavelength) / (n - 1) : 0;
    if (step <= 0 || firstWavelength < 380) {
        qDebug() << "Color::FromSpectro unusable wavelength range" << firstWavelength << lastWavelength << n;
        return Color();
    }
    std::vector<double> padded(static_cast<size_t>(400 / step + 1), 0.0);
    const int offset = (firstWavelength - 380) / step;
    for (int i = 0; i < n && offset + i < static_cast<int>(padded.size()); ++i)
        padded[static_cast<size_t>(offset + i)] = spectrum[static_cast<size_t>(i)];
    return FromSpectro(padded, observer, illuminant);
}

Color Color::integrateSpectrum(const SpectralData::Samples& reflectance, Observer observer,
                               Illuminant illuminant)
{
    const SpectralData::Samples& power = spectralIlluminant(illuminant);
    const SpectralData::Samples& xBar = spectralLambdaX(observer);
    const SpectralData::Samples& yBar = spectralLambdaY(observer);
    const SpectralData::Samples& zBar = spectralLambdaZ(observer);
    long double norm = 0;
    long double X = 0;
    long double Y = 0;
    long double Z = 0;
    for (size_t i = 0; i < reflectance.size(); ++i) {
        const long double weighted = integrationWeight(static_cast<int>(i)) * power[i];
        norm += weighted * yBar[i];
        X += weighted * reflectance[i] * xBar[i];
        Y += weighted * reflectance[i] * yBar[i];
        Z += weighted * reflectance[i] * zBar[i];
    }
    const long double k = 100 / norm;
    return FromXYZ(k * X, k * Y, k * Z);
}

Color::TempWhiteReference::TempWhiteReference(const Color& white) : m_previous(GetWhiteReference())
{
    SetWhiteReference(white);
}

Color::TempWhiteReference::~TempWhiteReference()
{
    SetWhiteReference(m_previous);
}
