#include "qa/steps/StepFactory.h"

#include "qa/steps/InitDisplayDialogStep.h"
#include "qa/steps/IsMacCaseStep.h"
#include "qa/steps/IsNotMacCaseStep.h"

std::unique_ptr<BaseStep> StepFactory::Step(int code)
{
    switch (code) {
    case 501:
        return std::make_unique<InitDisplayDialogStep>();
    case 502:
        return std::make_unique<IsMacCaseStep>();
    case 503:
        return std::make_unique<IsNotMacCaseStep>();
    default:
        return nullptr;
    }
}
