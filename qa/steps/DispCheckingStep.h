#pragma once

#include "qa/steps/TestPatternStep.h"

// The display's resolution against the minimum the regulation asks.
class DispCheckingStep : public TestPatternStep
{
public:
    explicit DispCheckingStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Display Checking"); }
    int StepCode() const override { return 107; }
};
