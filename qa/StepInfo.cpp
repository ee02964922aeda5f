#include "qa/StepInfo.h"

#include <QCoreApplication>
#include <QStringList>

void StepInfo::AddClassificationId(int id)
{
    if (!m_classificationIds.contains(id))
        m_classificationIds.append(id);
    m_currentClassification = id;
    m_currentSet = 0;
}

bool StepInfo::SetCurrentClassificationId(int id)
{
    if (!ClassificationCheck(id))
        return false;
    m_currentClassification = id;
    return true;
}

void StepInfo::RemoveClassificationId(int id)
{
    m_classificationIds.removeAll(id);
    m_sets.remove(id);
    m_data.remove(id);
    if (m_currentClassification == id)
        m_currentClassification = -1;
}

void StepInfo::AddRestrictionSet(unsigned set)
{
    if (m_currentClassification < 0)
        return;
    QList<unsigned>& sets = m_sets[m_currentClassification];
    if (!sets.contains(set))
        sets.append(set);
    m_data[m_currentClassification][set];
    m_currentSet = set;
}

bool StepInfo::SetCurrentRestrictionSet(unsigned set)
{
    if (!StepCompatibility(set))
        return false;
    m_currentSet = set;
    return true;
}

bool StepInfo::StepCompatibility(unsigned set) const
{
    return m_sets.value(m_currentClassification).contains(set);
}

bool StepInfo::RestrictionSetCheck(unsigned mask)
{
    const QList<unsigned> sets = m_sets.value(m_currentClassification);
    for (const unsigned set : sets) {
        if (set != 0 && (set & mask) == set) {
            m_currentSet = set;
            m_empty = false;
            return true;
        }
    }
    if (sets.contains(0u)) {
        m_currentSet = 0;
        m_empty = false;
        return true;
    }
    m_empty = true;
    return false;
}

void StepInfo::SetStepMode(int classificationId, unsigned mask)
{
    if (!SetCurrentClassificationId(classificationId)) {
        m_empty = true;
        return;
    }
    RestrictionSetCheck(mask);
}

StepData* StepInfo::current()
{
    if (!StepCompatibility(m_currentSet))
        return nullptr;
    return &m_data[m_currentClassification][m_currentSet];
}

const StepData* StepInfo::current() const
{
    return stepData(m_currentClassification, m_currentSet);
}

const StepData* StepInfo::stepData(int classificationId, unsigned set) const
{
    const auto classification = m_data.constFind(classificationId);
    if (classification == m_data.constEnd())
        return nullptr;
    const auto data = classification->constFind(set);
    return data == classification->constEnd() ? nullptr : &*data;
}

void StepInfo::SetFrequency(int frequency)
{
    if (StepData* data = current())
        data->frequency = frequency;
}

int StepInfo::GetFrequency() const
{
    const StepData* data = current();
    return data ? data->frequency : FREQ_NONE;
}

void StepInfo::SetAcceptance(bool acceptance)
{
    if (StepData* data = current())
        data->acceptance = acceptance;
}

bool StepInfo::GetAcceptance() const
{
    const StepData* data = current();
    return data && data->acceptance;
}

void StepInfo::SetParameter(const QString& name, const QString& value)
{
    if (StepData* data = current())
        data->parameters.insert(name, value);
}

QString StepInfo::GetParameter(const QString& name) const
{
    if (const StepData* data = current()) {
        const auto found = data->parameters.constFind(name);
        if (found != data->parameters.constEnd())
            return *found;
    }
    return m_globalParameters.value(name);
}

void StepInfo::SetQuestion(const QString& question)
{
    if (StepData* data = current())
        data->question = question;
}

QString StepInfo::GetQuestion() const
{
    const StepData* data = current();
    return data && !data->question.isEmpty() ? data->question : m_defaultQuestion;
}

void StepInfo::GetStepSettings(QString& question, QMap<QString, QString>& parameters) const
{
    question = GetQuestion();
    parameters = m_globalParameters;
    if (const StepData* data = current()) {
        for (auto it = data->parameters.constBegin(); it != data->parameters.constEnd(); ++it)
            parameters.insert(it.key(), it.value());
    }
}

QString StepInfo::getFrequencyString(int frequency)
{
    static const char* const texts[] = {"Daily",         "Weekly",        "Monthly",
                                        "Quarterly",     "Semiannually",  "Annually",
                                        "Every 2 weeks", "Every 5 years", "Twice a week"};
    if (frequency < 0 || frequency > FREQ_TWICE_A_WEEK)
        return {};
    return QCoreApplication::translate("StepInfo", texts[frequency]);
}

QString StepInfo::getRestrictionTitle(unsigned set, const QString& prefix)
{
    static const char* const titles[] = {"CRT",
                                         "Flat",
                                         "Color",
                                         "Monochrome",
                                         "Stable Ambient",
                                         "Unstable Ambient",
                                         "Backlight Control",
                                         "No Backlight Control",
                                         "BackLight Warning"};
    QStringList parts;
    for (int bit = 0; bit < 9; ++bit) {
        if (set & (1u << bit))
            parts << QCoreApplication::translate("StepInfo", titles[bit]);
    }
    return prefix + parts.join(QLatin1Char('+'));
}
