#pragma once

#include "qa/steps/MeasurementStep.h"

// Colorimetric accuracy of a colour set.
class ISOColorAssuranceStep : public MeasurementStep
{
public:
    explicit ISOColorAssuranceStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Color Assurance"); }
    int StepCode() const override { return 132; }
};
