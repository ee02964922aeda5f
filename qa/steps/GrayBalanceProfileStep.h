#pragma once

#include "qa/steps/MeasurementStep.h"

// Grey balance against the display profile.
class GrayBalanceProfileStep : public MeasurementStep
{
public:
    explicit GrayBalanceProfileStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA Gray Balance Profile"); }
    int StepCode() const override { return 115; }
};
