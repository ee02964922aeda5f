#pragma once

#include "qa/steps/MeasurementStep.h"

// Grey balance of the display.
class GrayBalanceStep : public MeasurementStep
{
public:
    explicit GrayBalanceStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Gray Balance"); }
    int StepCode() const override { return 116; }
};
