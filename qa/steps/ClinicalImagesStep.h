#pragma once

#include "qa/steps/TestPatternStep.h"

// Reference clinical images judged by eye.
class ClinicalImagesStep : public TestPatternStep
{
public:
    explicit ClinicalImagesStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Clinical Images"); }
    int StepCode() const override { return 105; }
};
