#pragma once

#include "qa/steps/MeasurementStep.h"

// Uniformity over a grid of positions.
class UniformityCircleStep : public MeasurementStep
{
public:
    explicit UniformityCircleStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Uniformity Circle"); }
    int StepCode() const override { return 118; }
};
