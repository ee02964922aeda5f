#pragma once

#include "qa/steps/TestPatternStep.h"

// Geometric distortion measured on the pattern by the user.
class DistortionStep : public TestPatternStep
{
public:
    explicit DistortionStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Distortion"); }
    int StepCode() const override { return 103; }
};
