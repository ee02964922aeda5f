#pragma once

#include "qa/steps/TestPatternStep.h"

// Values the user adds to the report.
class AdditionalValuesStep : public TestPatternStep
{
public:
    explicit AdditionalValuesStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Additional Values"); }
    int StepCode() const override { return 109; }
};
