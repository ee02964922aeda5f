#pragma once

#include "qa/steps/MeasurementStep.h"

// Gamut volume against a reference gamut.
class ISOGamutIntersection : public MeasurementStep
{
public:
    explicit ISOGamutIntersection(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Gamut Intersection"); }
    int StepCode() const override { return 136; }
};
