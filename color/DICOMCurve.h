#pragma once

#include "color/TargetCurve.h"

// The DICOM grey-scale standard display function between the two luminances: equal JND steps per input step.
class DICOMCurve : public TargetCurve
{
public:
    double GetTarget(double position, double pmax) override;
    void GetTarget(std::vector<double>& out, int count) override;
    double GetPosition(double luminance, double pmax) override;
    QString CurveName() override { return QStringLiteral("DICOM"); }

    using TargetCurve::GetTarget;
};
