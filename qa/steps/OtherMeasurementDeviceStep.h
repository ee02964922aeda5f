#pragma once

#include "qa/steps/MeasurementStep.h"

// Reference values taken with another measuring device.
class OtherMeasurementDeviceStep : public MeasurementStep
{
public:
    explicit OtherMeasurementDeviceStep(int stepId, QObject* parent = nullptr)
        : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA Other Measurement Device"); }
    int StepCode() const override { return 120; }
};
