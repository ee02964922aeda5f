#pragma once

#include "qa/steps/MeasurementStep.h"

// Uniformity as the luminance deviation of a grid.
class UniformityLudmStep : public MeasurementStep
{
public:
    explicit UniformityLudmStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Uniformity LUDM"); }
    int StepCode() const override { return 122; }
};
