#pragma once

#include "qa/steps/TestPatternStep.h"

// The same test pattern on every display at once, compared by eye.
class AllDisplaysTestPattern : public TestPatternStep
{
public:
    explicit AllDisplaysTestPattern(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent)
    {
    }
    QString Name() const override { return QStringLiteral("QA All Displays Test Pattern"); }
    int StepCode() const override { return 100; }
};
