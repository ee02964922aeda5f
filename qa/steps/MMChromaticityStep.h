#pragma once

#include "qa/steps/MeasurementStep.h"

// Chromaticity across the workstation's displays.
class MMChromaticityStep : public MeasurementStep
{
public:
    explicit MMChromaticityStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA MultiDisplay Chromaticity"); }
    int StepCode() const override { return 127; }
};
