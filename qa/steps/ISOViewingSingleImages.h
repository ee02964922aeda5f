#pragma once

#include "qa/steps/MeasurementStep.h"

// Ambient illumination and viewing environment.
class ISOViewingSingleImages : public MeasurementStep
{
public:
    explicit ISOViewingSingleImages(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA ISO Viewing Single Images"); }
    int StepCode() const override { return 135; }
};
