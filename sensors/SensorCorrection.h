#pragma once

#include <QString>

#include <array>
#include <vector>

// A correction of one sensor's readings against a reference instrument. Type 0 leaves the
// readings as they are; type 1 is a multiple regression (each corrected value a linear
// combination of X, Y, Z plus an offset); type 2 scales X, Y and Z by a factor interpolated
// over the measured luminance; type 3 interpolates X, Y and Z each over its own measured
// positions.
class SensorCorrection
{
public:
    enum Type
    {
        None = 0,
        Regression = 1,
        LuminanceInterpolation = 2,
        ChannelInterpolation = 3,
    };

    // One point of an interpolation: the sensor's reading and the reference's.
    struct Point
    {
        double measured = 0.0;
        double reference = 0.0;
    };

    SensorCorrection() = default;

    static SensorCorrection regression(const std::array<std::array<double, 4>, 3>& rows);
    static SensorCorrection luminanceInterpolation(std::vector<Point> points);
    static SensorCorrection channelInterpolation(std::array<std::vector<Point>, 3> channels);

    Type type() const { return m_type; }
    QString vendor;
    QString model;
    QString serial;

    // Changes the three values in place.
    void ApplyCorrection(double& X, double& Y, double& Z) const;

private:
    static double interpolate(const std::vector<Point>& points, double value);

    Type m_type = None;
    std::array<std::array<double, 4>, 3> m_rows{};
    std::vector<Point> m_points;
    std::array<std::vector<Point>, 3> m_channels;
};
