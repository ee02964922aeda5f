#pragma once

#include <QList>

#include <memory>

class BaseStep;

// The step object for a step code of the regulations.
class QAStepFactory
{
public:
    QAStepFactory() = delete;
    // None for a code without a class. The framework codes (501 to 503) give steps that are
    // not QA steps.
    static std::unique_ptr<BaseStep> QAStep(int code, int stepId);
    // Every code that gives a step.
    static QList<int> codes();
};
