#pragma once

#include "qa/steps/MeasurementStep.h"

// Uniformity at three grey levels against the graphic-arts standard.
class ISOUniformityStep : public MeasurementStep
{
public:
    explicit ISOUniformityStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Uniformity"); }
    int StepCode() const override { return 130; }
};
