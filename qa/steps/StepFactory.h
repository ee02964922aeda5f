#pragma once

#include <memory>

class BaseStep;

// The framework steps that are not QA tests: display choice and the platform cases.
class StepFactory
{
public:
    StepFactory() = delete;
    // None for a code it does not know.
    static std::unique_ptr<BaseStep> Step(int code);
};
