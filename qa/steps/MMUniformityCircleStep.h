#pragma once

#include "qa/steps/MeasurementStep.h"

// Uniformity across the workstation's displays.
class MMUniformityCircleStep : public MeasurementStep
{
public:
    explicit MMUniformityCircleStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA MultiDisplay Uniformity Circle"); }
    int StepCode() const override { return 121; }
};
