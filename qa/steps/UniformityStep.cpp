#include "qa/steps/UniformityStep.h"

#include "qa/UniformityCheck.h"
#include "sensors/CSensor.h"
#include "settings/DataBus.h"

namespace {

const int reportLevels[] = {80, 50, 10};

} // namespace

const QStringList& UniformityStep::positions()
{
    static const QStringList names{QStringLiteral("center"), QStringLiteral("top-left"),
                                   QStringLiteral("top-right"), QStringLiteral("bottom-left"),
                                   QStringLiteral("bottom-right")};
    return names;
}

QString UniformityStep::readingName(int level, int position)
{
    return QStringLiteral("Uniformity%1-%2").arg(level).arg(position);
}

QString UniformityStep::resultName(int level)
{
    return QStringLiteral("UniformityRes%1").arg(level);
}

QAStep::ReportInfo UniformityStep::GetReportInfo(const QMap<QString, QString>& values,
                                                 const QMap<QString, QString>& references) const
{
    const auto limitOf = [&](const QString& name) {
        bool ok = false;
        const double stored = references.value(name).toDouble(&ok);
        return ok ? stored : numberParam(name);
    };
    const double limit = limitOf(QStringLiteral("Uniformity"));
    // A missing limit is not applied; a negative one is a range below 0, which only a limit given can mean.
    const bool limitGiven = limit != 0;
    ReportInfo info = newReportInfo(ReportInfo::Measurement);
    for (const int level : reportLevels) {
        std::vector<double> readings;
        ReportInfo::DetailedValues detail;
        detail.title = QStringLiteral("Measurement at %1%").arg(level);
        for (int position = 0; position < positions().size(); ++position) {
            bool ok = false;
            const double reading = values.value(readingName(level, position)).toDouble(&ok);
            if (!ok)
                continue;
            readings.push_back(reading);
            detail.rows << qMakePair(positions()[position], measurementInNeededUnits(reading));
        }
        const std::optional<double> deviation = UniformityCheck::deviation(readings);
        if (!deviation || readings.size() != size_t(positions().size()))
            continue;
        ReportInfo::Values row;
        row.label = QStringLiteral("Uniformity Deviation at %1%").arg(level);
        row.value = number(*deviation) + QStringLiteral(" %");
        if (limitGiven) {
            row.criterion =
                QStringLiteral("Uniformity Deviation at %1% = 200*(L<sub>high %1%</sub>-L<sub>low %1%</sub>)/"
                               "(L<sub>high %1%</sub>+L<sub>low %1%</sub>) &le; ")
                    .arg(level);
            row.limit = number(limit) + QStringLiteral(" %");
            row.applied = true;
            row.passed = UniformityCheck::checkUniformity(*deviation, limit);
        }
        info.values << row;
        info.detailedValues << detail;
        info.judged = true;
        info.passed = info.passed && row.passed;
    }
    bool hasMulti = false;
    const double multi = values.value(multiDisplayName()).toDouble(&hasMulti);
    const double multiLimit = limitOf(QStringLiteral("Uniformity_mm"));
    if (hasMulti) {
        ReportInfo::Values row;
        row.label = QStringLiteral("MultiDisplay Uniformity Deviation");
        row.value = number(multi) + QStringLiteral(" %");
        if (multiLimit > 0) {
            row.criterion = QStringLiteral("&le; ");
            row.limit = number(multiLimit) + QStringLiteral(" %");
            row.applied = true;
            row.passed = multi <= multiLimit;
            info.passed = info.passed && row.passed;
        }
        info.values << row;
    }
    if (!info.judged) {
        info = MeasurementStep::GetReportInfo(values, references);
        info.note = QStringLiteral("No uniformity readings are stored.");
    }
    return info;
}

QList<int> UniformityStep::levels() const
{
    QList<int> list{80, 50};
    if (numberParam(QStringLiteral("useunl10")) != 0)
        list << 10;
    return list;
}

void UniformityStep::ClearVariables()
{
    MeasurementStep::ClearVariables();
    m_readings.clear();
}

bool UniformityStep::Measurements()
{
    if (sensor() && !sensor()->CanbeMoved()) {
        ChangeStatus(Skipped);
        return false;
    }
    for (const int level : levels()) {
        for (const QString& position : positions()) {
            const QString pattern = QStringLiteral("TG18-UNL") + QStringLiteral(":<>:") + position +
                                    QStringLiteral(":<>:") + QString::number(level);
            double reading = -1;
            if (!Measurement(pattern, position, reading))
                return false;
            m_readings[level].push_back(reading);
        }
    }
    return true;
}

void UniformityStep::GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const
{
    for (auto it = m_readings.begin(); it != m_readings.end(); ++it) {
        for (size_t p = 0; p < it.value().size(); ++p)
            values.insert(readingName(it.key(), int(p)), number(it.value()[p], 4));
        if (const auto deviation = UniformityCheck::deviation(it.value()))
            values.insert(resultName(it.key()), number(*deviation));
    }
    // Across displays: the centre readings at 80 %, this display's among them.
    if (!m_otherCentres.empty() && !m_readings.value(80).empty()) {
        std::vector<double> centres = m_otherCentres;
        centres.push_back(m_readings.value(80).front());
        if (const auto deviation = UniformityCheck::deviation(centres))
            values.insert(multiDisplayName(), number(*deviation));
    }
    for (const QString& name : {QStringLiteral("Uniformity"), QStringLiteral("Uniformity_mm")}) {
        if (!param(name).isEmpty())
            references.insert(name, param(name));
    }
}

void UniformityStep::LoadMultiMonitorValues()
{
    m_otherCentres.clear();
    if (!dataBus())
        return;
    const auto centres = dataBus()->GetValue<QMap<QString, QString>>(multiMonitorName());
    for (auto it = centres.begin(); it != centres.end(); ++it) {
        if (it.key() != QString::number(displayId()))
            m_otherCentres.push_back(it.value().toDouble());
    }
}

void UniformityStep::SaveMultiMonitorValues()
{
    if (!dataBus() || m_readings.value(80).empty())
        return;
    auto centres = dataBus()->GetValue<QMap<QString, QString>>(multiMonitorName());
    centres.insert(QString::number(displayId()), number(m_readings.value(80).front(), 4));
    dataBus()->SetValue(multiMonitorName(), centres);
}
