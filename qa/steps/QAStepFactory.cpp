#include "qa/steps/QAStepFactory.h"

#include "qa/steps/AdditionalValuesStep.h"
#include "qa/steps/AllDisplaysTestPattern.h"
#include "qa/steps/AngularityStep.h"
#include "qa/steps/BlackWhiteStep.h"
#include "qa/steps/ChromaticityStep.h"
#include "qa/steps/ClinicalImagesStep.h"
#include "qa/steps/DispCheckingStep.h"
#include "qa/steps/DisplayWhitePointCheckStep.h"
#include "qa/steps/DistortionStep.h"
#include "qa/steps/GammaStep.h"
#include "qa/steps/GrayBalanceProfileStep.h"
#include "qa/steps/GrayBalanceStep.h"
#include "qa/steps/IOSChromaticityStep.h"
#include "qa/steps/ISOColorAssuranceStep.h"
#include "qa/steps/ISODisplayResolution.h"
#include "qa/steps/ISODisplaySize.h"
#include "qa/steps/ISOGamutIntersection.h"
#include "qa/steps/ISOGrayBalancePrifileStep.h"
#include "qa/steps/ISOInitStep.h"
#include "qa/steps/ISOUniformityStep.h"
#include "qa/steps/ISOViewingSingleImages.h"
#include "qa/steps/ISOWhiteAndBlack.h"
#include "qa/steps/IlluminationCheckStep.h"
#include "qa/steps/MMChromaticityStep.h"
#include "qa/steps/MMUniformityCircleStep.h"
#include "qa/steps/MMUniformityCircleStep2.h"
#include "qa/steps/OtherMeasurementDeviceStep.h"
#include "qa/steps/ResponseDICOMStep.h"
#include "qa/steps/ResultSaverStep.h"
#include "qa/steps/ScoreStep.h"
#include "qa/steps/SingleTPStep.h"
#include "qa/steps/StepFactory.h"
#include "qa/steps/TestPatternStep.h"
#include "qa/steps/UniformityCircleStep.h"
#include "qa/steps/UniformityLudmStep.h"
#include "qa/steps/UniformityStep.h"

std::unique_ptr<BaseStep> QAStepFactory::QAStep(int code, int stepId)
{
    switch (code) {
    case 100:
        return std::make_unique<AllDisplaysTestPattern>(stepId);
    case 101:
        return std::make_unique<TestPatternStep>(stepId);
    case 102:
        return std::make_unique<AngularityStep>(stepId);
    case 103:
        return std::make_unique<DistortionStep>(stepId);
    case 104:
        return std::make_unique<ScoreStep>(stepId);
    case 105:
        return std::make_unique<ClinicalImagesStep>(stepId);
    case 106:
        return std::make_unique<SingleTPStep>(stepId);
    case 107:
        return std::make_unique<DispCheckingStep>(stepId);
    case 109:
        return std::make_unique<AdditionalValuesStep>(stepId);
    case 111:
        return std::make_unique<BlackWhiteStep>(stepId);
    case 112:
        return std::make_unique<ChromaticityStep>(stepId);
    case 113:
        return std::make_unique<ResponseDICOMStep>(stepId);
    case 114:
        return std::make_unique<UniformityStep>(stepId);
    case 115:
        return std::make_unique<GrayBalanceProfileStep>(stepId);
    case 116:
        return std::make_unique<GrayBalanceStep>(stepId);
    case 117:
        return std::make_unique<GammaStep>(stepId);
    case 118:
        return std::make_unique<UniformityCircleStep>(stepId);
    case 119:
        return std::make_unique<IlluminationCheckStep>(stepId);
    case 120:
        return std::make_unique<OtherMeasurementDeviceStep>(stepId);
    case 121:
        return std::make_unique<MMUniformityCircleStep>(stepId);
    case 122:
        return std::make_unique<UniformityLudmStep>(stepId);
    case 123:
        return std::make_unique<DisplayWhitePointCheckStep>(stepId);
    case 126:
        return std::make_unique<MMUniformityCircleStep2>(stepId);
    case 127:
        return std::make_unique<MMChromaticityStep>(stepId);
    case 130:
        return std::make_unique<ISOUniformityStep>(stepId);
    case 131:
        return std::make_unique<IOSChromaticityStep>(stepId);
    case 132:
        return std::make_unique<ISOColorAssuranceStep>(stepId);
    case 133:
        return std::make_unique<ISOGrayBalancePrifileStep>(stepId);
    case 134:
        return std::make_unique<ISOWhiteAndBlack>(stepId);
    case 135:
        return std::make_unique<ISOViewingSingleImages>(stepId);
    case 136:
        return std::make_unique<ISOGamutIntersection>(stepId);
    case 151:
        return std::make_unique<ResultSaverStep>(stepId);
    case 161:
        return std::make_unique<ISODisplayResolution>(stepId);
    case 162:
        return std::make_unique<ISODisplaySize>(stepId);
    case 163:
        return std::make_unique<ISOInitStep>(stepId);
    case 501:
    case 502:
    case 503:
        return StepFactory::Step(code);
    default:
        return nullptr;
    }
}

QList<int> QAStepFactory::codes()
{
    return {100, 101, 102, 103, 104, 105, 106, 107, 109, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120,
            121, 122, 123, 126, 127, 130, 131, 132, 133, 134, 135, 136, 151, 161, 162, 163, 501, 502, 503};
}
