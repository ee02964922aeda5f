#include "qa/ClassificationInfo.h"

#include "qa/RegulationInfo.h"
#include "qa/StepInfo.h"

#include <utility>

void ClassificationInfo::GetStepIds(std::vector<int>& ids) const
{
    ids.assign(m_stepIds.cbegin(), m_stepIds.cend());
}

StepInfo* ClassificationInfo::GetStepById(int id) const
{
    if (!m_regulation || !m_stepIds.contains(id))
        return nullptr;
    return const_cast<RegulationInfo*>(m_regulation)->GetStepById(id);
}

void ClassificationInfo::GetAcceptanceTestIds(std::vector<int>& ids) const
{
    ids.clear();
    for (const int id : m_stepIds) {
        StepInfo* step = GetStepById(id);
        if (step && step->SetCurrentClassificationId(m_id) && step->GetAcceptance())
            ids.push_back(id);
    }
}

void ClassificationInfo::GetStepIds(std::vector<int>& ids, int frequency, bool) const
{
    ids.clear();
    for (const int id : m_stepIds) {
        StepInfo* step = GetStepById(id);
        if (step && step->SetCurrentClassificationId(m_id) && step->GetFrequency() == frequency)
            ids.push_back(id);
    }
}

void ClassificationInfo::AddStepsInfo()
{
    m_stepIds.clear();
    if (!m_regulation)
        return;
    QList<std::pair<int, int>> found; // id, position
    for (const StepInfo& step : m_regulation->steps()) {
        if (step.ClassificationCheck(m_id))
            found.append({step.GetStepId(), step.GetPosition()});
    }
    // An exchange sort that only swaps strictly greater neighbours keeps equal positions in order.
    for (qsizetype i = 0; i < found.size(); ++i) {
        for (qsizetype j = 0; j + 1 < found.size() - i; ++j) {
            if (found[j].second > found[j + 1].second)
                std::swap(found[j], found[j + 1]);
        }
    }
    for (const auto& entry : found)
        m_stepIds.append(entry.first);
}
