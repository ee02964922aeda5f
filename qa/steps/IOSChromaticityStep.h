#pragma once

#include "qa/steps/MeasurementStep.h"

// Chromaticity against the graphic-arts standard.
class IOSChromaticityStep : public MeasurementStep
{
public:
    explicit IOSChromaticityStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Chromaticity"); }
    int StepCode() const override { return 131; }
};
