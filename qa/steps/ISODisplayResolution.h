#pragma once

#include "qa/steps/TestPatternStep.h"

// The display's resolution against the minimum the standard asks.
class ISODisplayResolution : public TestPatternStep
{
public:
    explicit ISODisplayResolution(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Display Resolution"); }
    int StepCode() const override { return 161; }
};
