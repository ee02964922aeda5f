#pragma once

#include "qa/steps/MeasurementStep.h"

// The room illuminance.
class IlluminationCheckStep : public MeasurementStep
{
public:
    explicit IlluminationCheckStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Illumination"); }
    int StepCode() const override { return 119; }
};
