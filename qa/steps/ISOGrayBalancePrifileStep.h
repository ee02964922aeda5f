#pragma once

#include "qa/steps/MeasurementStep.h"

// Profile quality on grey levels.
class ISOGrayBalancePrifileStep : public MeasurementStep
{
public:
    explicit ISOGrayBalancePrifileStep(int stepId, QObject* parent = nullptr)
        : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA ISO Gray Balance Profile"); }
    int StepCode() const override { return 133; }
};
