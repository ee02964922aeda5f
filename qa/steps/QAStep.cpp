#include "qa/steps/QAStep.h"

#include "settings/DataBus.h"

#include <vector>

namespace {

// cd/m² per foot-lambert.
constexpr double CANDELA_PER_FOOTLAMBERT = 3.4262591;

} // namespace

QAStep::QAStep(int stepId, QObject* parent) : BaseStep(parent), m_stepId(stepId) {}

void QAStep::SetParams(const QMap<QString, QString>& params)
{
    m_params = params;
    m_stepName = params.value(QStringLiteral("stepname"));
    m_position = params.value(QStringLiteral("position")).toInt();
    m_savePosition = params.value(QStringLiteral("saveposition")).toInt();
    const QString units = params.value(QStringLiteral("luminance units")).toLower();
    m_footLamberts = units == QLatin1String("fl");
    m_lux = units == QLatin1String("lx");
    m_fairy = params.value(QStringLiteral("fairy")) == QLatin1String("true");
}

double QAStep::numberParam(const QString& name) const
{
    return m_params.value(name).toDouble();
}

QString QAStep::measurementInNeededUnits(double value) const
{
    if (m_lux)
        return QString::number(value, 'f', 2) + QStringLiteral(" Lx");
    if (m_footLamberts)
        return QString::number(value / CANDELA_PER_FOOTLAMBERT, 'f', 2) + QStringLiteral(" fL");
    return QString::number(value, 'f', 2) + QStringLiteral(" cd/m<sup>2</sup>");
}

void QAStep::SaveInDataBus(const QMap<QString, QString>& values, const QMap<QString, QString>& references)
{
    DataBus* bus = dataBus();
    if (!bus)
        return;
    // The saver writes one result row per step id; values are keyed "stepid:name".
    auto ids = bus->GetValue<std::vector<int>>(QStringLiteral("stepids"));
    ids.push_back(m_stepId);
    bus->SetValue(QStringLiteral("stepids"), ids);
    auto results = bus->GetValue<QMap<QString, QString>>(QStringLiteral("results"));
    const QString prefix = QString::number(m_stepId) + QLatin1Char(':');
    for (auto it = values.begin(); it != values.end(); ++it)
        results.insert(prefix + it.key(), it.value());
    for (auto it = references.begin(); it != references.end(); ++it)
        results.insert(prefix + QStringLiteral("ref:") + it.key(), it.value());
    bus->SetValue(QStringLiteral("results"), results);
}

QAStep::ReportInfo QAStep::newReportInfo(int kind) const
{
    ReportInfo info;
    info.kind = kind;
    info.title = Name();
    info.stepId = m_stepId;
    info.position = m_position;
    return info;
}

QAStep::ReportInfo QAStep::GetReportInfo(const QMap<QString, QString>& values,
                                         const QMap<QString, QString>& references) const
{
    // A visual step stores the user's answers: question -> answer, with the passing answer as reference.
    ReportInfo info = newReportInfo(ReportInfo::Visual);
    for (auto it = values.begin(); it != values.end(); ++it) {
        ReportInfo::Values row;
        row.label = it.key();
        row.value = it.value();
        row.limit = references.value(it.key());
        info.values << row;
    }
    return info;
}

void QAStep::getReferenceMaps(QMap<QString, QString>&, QMap<QString, QString>&) const {}
