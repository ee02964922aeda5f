#pragma once

#include "qa/steps/TestPatternStep.h"

// One test pattern shown without questions of its own.
class SingleTPStep : public TestPatternStep
{
public:
    explicit SingleTPStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Single Test Pattern"); }
    int StepCode() const override { return 106; }
};
