#pragma once

#include "qa/steps/TestPatternStep.h"

// Screen diagonal and pixel pitch against the standard.
class ISODisplaySize : public TestPatternStep
{
public:
    explicit ISODisplaySize(int stepId, QObject* parent = nullptr) : TestPatternStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA ISO Display Size"); }
    int StepCode() const override { return 162; }
};
