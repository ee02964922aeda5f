#pragma once

#include "qa/steps/MeasurementStep.h"

// The response as a gamma curve.
class GammaStep : public MeasurementStep
{
public:
    explicit GammaStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Gamma"); }
    int StepCode() const override { return 117; }
};
