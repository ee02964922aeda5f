#pragma once

#include "qa/steps/QAStep.h"

// A visual check: the user looks at a test pattern and answers its questions.
class TestPatternStep : public QAStep
{
    Q_OBJECT
public:
    explicit TestPatternStep(int stepId, QObject* parent = nullptr) : QAStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Test Pattern"); }
    int StepCode() const override { return 101; }
};
