#pragma once

#include <QList>
#include <QString>

#include <vector>

class RegulationInfo;
class StepInfo;

// A display category of a regulation ("Primary", "RC 1", ...) with the steps that
// apply to it in position order.
class ClassificationInfo
{
public:
    ClassificationInfo() = default;
    ClassificationInfo(int id, const QString& name) : m_id(id), m_name(name) {}

    int GetClassificationId() const { return m_id; }
    QString GetClassificationName() const { return m_name; }
    bool IsAccTestMandatory() const { return m_accMandatory; }
    void SetAccTestMandatory(bool mandatory) { m_accMandatory = mandatory; }
    int GraphicCardReaction() const { return m_graphicCardReaction; }
    void SetGraphicCardReaction(int reaction) { m_graphicCardReaction = reaction; }
    const RegulationInfo* regulation() const { return m_regulation; }
    void SetRegulation(const RegulationInfo* regulation) { m_regulation = regulation; }

    // The ids of the steps carrying this classification, by position.
    void GetStepIds(std::vector<int>& ids) const;
    const QList<int>& stepIds() const { return m_stepIds; }
    StepInfo* GetStepById(int id) const;
    // Steps that belong to the acceptance test under their current set.
    void GetAcceptanceTestIds(std::vector<int>& ids) const;
    // Steps whose frequency under this classification equals `frequency`.
    void GetStepIds(std::vector<int>& ids, int frequency, bool) const;
    // Collects the steps of the regulation that carry this classification and
    // orders them by position, keeping document order among equal positions.
    void AddStepsInfo();

private:
    int m_id = 0;
    QString m_name;
    bool m_accMandatory = false;
    int m_graphicCardReaction = 0;
    const RegulationInfo* m_regulation = nullptr;
    QList<int> m_stepIds;
};
