#pragma once

#include "qa/StepData.h"

#include <QList>
#include <QMap>
#include <QString>

// One test of a regulation: its identity, its global parameters, and per
// classification and restriction set how often it repeats, whether it belongs to
// the acceptance test, its parameters and its question. A cursor (current
// classification and set) selects what the accessors read and write.
class StepInfo
{
public:
    static constexpr int DEFAULT_STEP_CODE = 101;

    int GetStepId() const { return m_id; }
    void SetStepId(int id) { m_id = id; }
    QString GetStepName() const { return m_name; }
    void SetStepName(const QString& name) { m_name = name; }
    QString GetStepType() const { return m_type; }
    void SetStepType(const QString& type) { m_type = type; }
    int GetStepCode() const { return m_code; }
    void SetStepCode(int code) { m_code = code; }
    int GetPosition() const { return m_position; }
    void SetPosition(int position) { m_position = position; }
    int GetTarget() const { return m_target; }
    void SetTarget(int target) { m_target = target; }
    QString GetReverseAnswer() const { return m_reverseAnswer; }
    void SetReverseAnswer(const QString& answer) { m_reverseAnswer = answer; }
    QString GetDefaultQuestion() const { return m_defaultQuestion; }
    void SetDefaultQuestion(const QString& question) { m_defaultQuestion = question; }
    const QMap<QString, QString>& GetGlobalParameters() const { return m_globalParameters; }
    void SetGlobalParameter(const QString& name, const QString& value)
    {
        m_globalParameters.insert(name, value);
    }

    const QList<int>& GetClassificationIds() const { return m_classificationIds; }
    // Adds the classification (once) and makes it current.
    void AddClassificationId(int id);
    bool ClassificationCheck(int id) const { return m_classificationIds.contains(id); }
    bool SetCurrentClassificationId(int id);
    int GetCurrentClassificationId() const { return m_currentClassification; }
    void RemoveClassificationId(int id);

    QList<unsigned> GetRestrictionSets(int classificationId) const { return m_sets.value(classificationId); }
    // Appends the set to the current classification (once) and makes it current.
    void AddRestrictionSet(unsigned set);
    bool SetCurrentRestrictionSet(unsigned set);
    unsigned GetCurrentRestrictionSet() const { return m_currentSet; }
    // Selects the set of the current classification that applies to a display
    // with this mask; false (and the step empty) when none does.
    bool RestrictionSetCheck(unsigned mask);
    bool StepCompatibility(unsigned set) const;
    void SetStepMode(int classificationId, unsigned mask);
    bool IsEmpty() const { return m_empty; }

    void SetFrequency(int frequency);
    int GetFrequency() const;
    void SetAcceptance(bool acceptance);
    bool GetAcceptance() const;
    void SetParameter(const QString& name, const QString& value);
    // The current set's value, else the global one, else empty.
    QString GetParameter(const QString& name) const;
    void SetQuestion(const QString& question);
    // The current set's question; the default question when that is empty.
    QString GetQuestion() const;
    void GetStepSettings(QString& question, QMap<QString, QString>& parameters) const;
    // The stored data of one classification and set (none when absent).
    const StepData* stepData(int classificationId, unsigned set) const;

    static QString getFrequencyString(int frequency);
    // Titles of the bits 1 to 256 of `set`, lowest first, joined by "+", after `prefix`.
    static QString getRestrictionTitle(unsigned set, const QString& prefix = QString());

private:
    StepData* current();
    const StepData* current() const;

    int m_id = 0;
    QString m_name;
    QString m_type;
    int m_code = DEFAULT_STEP_CODE;
    int m_position = 0;
    int m_target = TARGET_ALL;
    QString m_reverseAnswer;
    QString m_defaultQuestion;
    QMap<QString, QString> m_globalParameters;
    QList<int> m_classificationIds;
    QMap<int, QList<unsigned>> m_sets;
    QMap<int, QMap<unsigned, StepData>> m_data;
    int m_currentClassification = -1;
    unsigned m_currentSet = 0;
    bool m_empty = false;
};
