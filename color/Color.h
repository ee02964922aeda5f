#pragma once

#include "color/SpectralData.h"

#include <vector>

// One colour held in three representations at once (CIE XYZ, xyY and L*a*b*).
// L*a*b* and L*u*v* refer to one class-wide white reference. A colour with
// space -1 is empty: nothing was set.
class Color
{
public:
    enum class Observer
    {
        CIE1931TwoDegree = 0,
        CIE1964TenDegree = 1
    };
    enum class Illuminant
    {
        A = 0,
        B,
        C,
        D50,
        D55,
        D65,
        D75,
        F2,
        F7,
        F11
    };

    class TempWhiteReference;

    Color() = default;
    Color(const Color&) = default;
    Color& operator=(const Color&) = default;
    virtual ~Color() = default;

    static Color FromXYZ(long double X, long double Y, long double Z);
    static Color FromxyY(long double x, long double y, long double Y);
    static Color FromLab(long double L, long double a, long double b);
    static Color FromSpectro(const std::vector<double>& spectrum, Observer observer, Illuminant illuminant);
    static Color FromSpectro(const std::vector<double>& spectrum, int firstWavelength, int lastWavelength,
                             Observer observer, Illuminant illuminant);

    int space() const { return m_space; }
    bool isEmpty() const { return m_space == -1; }
    long double X() const { return m_X; }
    long double Y() const { return m_Y; }
    long double Z() const { return m_Z; }
    long double x() const { return m_x; }
    long double y() const { return m_y; }
    long double L() const { return m_L; }
    long double a() const { return m_a; }
    long double b() const { return m_b; }

    long double u1() const;
    long double v1() const;
    long double u() const;
    long double v() const;
    long double C() const;
    long double h() const;
    long double callGetterByName(char code) const;

    bool operator==(const Color& other) const;

    void ReCalc();
    Color& addAmbient(long double ambientLuminance);

    static void fromXYZtoRGBf(long double X, long double Y, long double Z, long double& R, long double& G,
                              long double& B);

    static void SetWhiteReference(const Color& white);
    static Color GetWhiteReference();
    static void InitReference();

    static const Color D50;
    static const Color D65;

    static const SpectralData::Samples& spectralLambdaX(Observer observer);
    static const SpectralData::Samples& spectralLambdaY(Observer observer);
    static const SpectralData::Samples& spectralLambdaZ(Observer observer);
    static const SpectralData::Samples& spectralIlluminant(Illuminant illuminant);

private:
    void xyzToLab(const Color& white);
    void labToXyz(const Color& white);
    void xyzToxy(const Color& white);
    void xyYToXyz();
    static Color integrateSpectrum(const SpectralData::Samples& reflectance, Observer observer,
                                   Illuminant illuminant);

    int m_space = -1;
    long double m_X = 0;
    long double m_Y = 0;
    long double m_Z = 0;
    long double m_x = 0;
    long double m_y = 0;
    long double m_L = 100;
    long double m_a = 0;
    long double m_b = 0;

    static Color Ref_White_;
};

// Makes `white` the white reference while it lives and restores the previous one.
class Color::TempWhiteReference
{
public:
    explicit TempWhiteReference(const Color& white);
    ~TempWhiteReference();
    TempWhiteReference(const TempWhiteReference&) = delete;
    TempWhiteReference& operator=(const TempWhiteReference&) = delete;

private:
    Color m_previous;
};
