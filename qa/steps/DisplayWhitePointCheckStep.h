#pragma once

#include "qa/steps/MeasurementStep.h"

// The white point of the display.
class DisplayWhitePointCheckStep : public MeasurementStep
{
public:
    explicit DisplayWhitePointCheckStep(int stepId, QObject* parent = nullptr)
        : MeasurementStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA Display White Point"); }
    int StepCode() const override { return 123; }
};
