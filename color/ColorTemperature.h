#pragma once

// Correlated colour temperature and the chromaticity of daylight at a temperature.
class ColorTemperature
{
public:
    // CIE daylight locus, 4000..25000 K; x = y = 0 outside.
    static void Ttoxy(double T, double& x, double& y);
    // Robertson's method; 0 when the chromaticity lies outside its isotemperature lines.
    static double xytoT(double x, double y);
};

// Robertson's correlated colour temperature of XYZ (three values); 0 on success,
// -1 when the colour is black or lies beyond the table.
int XYZtoCorColorTemp(const double* XYZ, double& T);
