#include "qa/RegulationInfo.h"

#include <type_traits>

namespace {

template <typename List, typename Id> auto* findById(List& list, int id, Id idOf)
{
    for (auto& item : list) {
        if (idOf(item) == id)
            return &item;
    }
    return static_cast<std::remove_reference_t<decltype(list.front())>*>(nullptr);
}

} // namespace

ClassificationInfo* RegulationInfo::GetClassificationById(int id)
{
    return findById(m_classifications, id,
                    [](const ClassificationInfo& c) { return c.GetClassificationId(); });
}

StepInfo* RegulationInfo::GetStepById(int id)
{
    return findById(m_steps, id, [](const StepInfo& s) { return s.GetStepId(); });
}

StepInfo* RegulationInfo::GetInitialStepById(int id)
{
    return findById(m_initialSteps, id, [](const StepInfo& s) { return s.GetStepId(); });
}

void RegulationInfo::GetClassificationIds(std::vector<int>& ids) const
{
    ids.clear();
    for (const ClassificationInfo& c : m_classifications)
        ids.push_back(c.GetClassificationId());
}

void RegulationInfo::GetStepIds(std::vector<int>& ids) const
{
    ids.clear();
    for (const StepInfo& s : m_steps)
        ids.push_back(s.GetStepId());
}

void RegulationInfo::GetInitialStepIds(std::vector<int>& ids) const
{
    ids.clear();
    for (const StepInfo& s : m_initialSteps)
        ids.push_back(s.GetStepId());
}

void RegulationInfo::AddClassification(const ClassificationInfo& classification)
{
    m_classifications.append(classification);
    m_classifications.last().SetRegulation(this);
}

void RegulationInfo::RemoveClassificationById(int id)
{
    m_classifications.removeIf([id](const ClassificationInfo& c) { return c.GetClassificationId() == id; });
}

void RegulationInfo::RemoveStepById(int id)
{
    m_steps.removeIf([id](const StepInfo& s) { return s.GetStepId() == id; });
}

void RegulationInfo::RemoveInitialStepById(int id)
{
    m_initialSteps.removeIf([id](const StepInfo& s) { return s.GetStepId() == id; });
}
