#pragma once

#include "qa/steps/MeasurementStep.h"

// Uniformity across displays, second form.
class MMUniformityCircleStep2 : public MeasurementStep
{
public:
    explicit MMUniformityCircleStep2(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA MultiDisplay Uniformity Circle 2"); }
    int StepCode() const override { return 126; }
};
