#pragma once

#include "qa/ClassificationInfo.h"
#include "qa/StepInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// One regulation: its classifications, its steps and its initial steps, each in
// document order. Lookups return the first match; adding never checks duplicates.
class RegulationInfo
{
public:
    RegulationInfo(const QString& idName, const QString& name) : m_idName(idName), m_name(name) {}
    RegulationInfo(const RegulationInfo&) = delete;
    RegulationInfo& operator=(const RegulationInfo&) = delete;

    QString GetRegulationIdName() const { return m_idName; }
    QString GetRegulationName() const { return m_name; }

    ClassificationInfo* GetClassificationById(int id);
    StepInfo* GetStepById(int id);
    StepInfo* GetInitialStepById(int id);
    void GetClassificationIds(std::vector<int>& ids) const;
    void GetStepIds(std::vector<int>& ids) const;
    void GetInitialStepIds(std::vector<int>& ids) const;
    // The classification keeps a pointer back to this regulation.
    void AddClassification(const ClassificationInfo& classification);
    void AddStep(const StepInfo& step) { m_steps.append(step); }
    void AddInitialStep(const StepInfo& step) { m_initialSteps.append(step); }
    void RemoveClassificationById(int id);
    void RemoveStepById(int id);
    void RemoveInitialStepById(int id);

    QList<ClassificationInfo>& classifications() { return m_classifications; }
    const QList<ClassificationInfo>& classifications() const { return m_classifications; }
    const QList<StepInfo>& steps() const { return m_steps; }
    const QList<StepInfo>& initialSteps() const { return m_initialSteps; }

private:
    QString m_idName;
    QString m_name;
    QList<ClassificationInfo> m_classifications;
    QList<StepInfo> m_steps;
    QList<StepInfo> m_initialSteps;
};
