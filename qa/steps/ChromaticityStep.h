#pragma once

#include "qa/steps/MeasurementStep.h"

// Colour of the white field, as a distance from the daylight locus.
class ChromaticityStep : public MeasurementStep
{
public:
    explicit ChromaticityStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Chromaticity"); }
    int StepCode() const override { return 112; }
};
