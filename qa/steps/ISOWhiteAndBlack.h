#pragma once

#include "qa/steps/MeasurementStep.h"

// Contrast and white level against the graphic-arts standard.
class ISOWhiteAndBlack : public MeasurementStep
{
public:
    explicit ISOWhiteAndBlack(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO White And Black"); }
    int StepCode() const override { return 134; }
};
