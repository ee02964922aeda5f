#pragma once

#include "qa/steps/TestPatternStep.h"

// The reference values a graphic-arts test starts from.
class ISOInitStep : public TestPatternStep
{
public:
    explicit ISOInitStep(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Init"); }
    int StepCode() const override { return 163; }
};
