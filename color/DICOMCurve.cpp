#include "color/DICOMCurve.h"

#include "color/DICOM.h"

#include <cmath>

namespace {

// A reading this close to an end of the range counts as that end.
constexpr double SNAP = 0.001;

} // namespace

double DICOMCurve::GetTarget(double position, double pmax)
{
    const double jmin = DICOM::GetJNDIndex(m_minLuminance);
    const double jmax = DICOM::GetJNDIndex(m_maxLuminance);
    return DICOM::GetLuminanceFromJNDIndex(jmin + (jmax - jmin) * position / pmax);
}

void DICOMCurve::GetTarget(std::vector<double>& out, int count)
{
    out.clear();
    if (count <= 0)
        return;
    const double jmin = DICOM::GetJNDIndex(m_minLuminance);
    const double jmax = DICOM::GetJNDIndex(m_maxLuminance);
    const double step = count > 1 ? (jmax - jmin) / (count - 1) : 0;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out.push_back(DICOM::GetLuminanceFromJNDIndex(jmin + i * step));
}

double DICOMCurve::GetPosition(double luminance, double pmax)
{
    const double jmin = DICOM::GetJNDIndex(m_minLuminance);
    const double jmax = DICOM::GetJNDIndex(m_maxLuminance);
    const double index = DICOM::GetJNDIndex(luminance);
    if (index > jmax && std::abs(luminance - m_maxLuminance) < SNAP)
        return pmax;
    if (index < jmin && std::abs(luminance - m_minLuminance) < SNAP)
        return 0;
    if (jmax == jmin)
        return 0;
    return (index - jmin) * pmax / (jmax - jmin);
}
