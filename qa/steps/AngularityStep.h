#pragma once

#include "qa/steps/TestPatternStep.h"

// The pattern seen from off-axis angles.
class AngularityStep : public TestPatternStep
{
public:
    explicit AngularityStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Angularity"); }
    int StepCode() const override { return 102; }
};
