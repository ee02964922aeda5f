#include "qa/steps/ResponseDICOMStep.h"

#include "qa/LuminanceResponse.h"

#include <QDebug>

QString ResponseDICOMStep::patternName(int level)
{
    return level < 10 ? QStringLiteral("TG18-LN8-0%1").arg(level) : QStringLiteral("TG18-LN8-%1").arg(level);
}

QString ResponseDICOMStep::onFailComment() const
{
    return QStringLiteral("To correct the DICOM response, please make sure that your display was recently "
                          "calibrated to DICOM.");
}

void ResponseDICOMStep::storeResponse(const std::vector<double>& luminances, double kdLimit,
                                      QMap<QString, QString>& values, QMap<QString, QString>& references)
{
    for (size_t i = 0; i < luminances.size(); ++i)
        values.insert(patternName(int(i) + 1), QString::number(luminances[i], 'g', 12));
    const LuminanceResponse::Result result = LuminanceResponse::evaluate(luminances, kdLimit);
    values.insert(QStringLiteral("kD"), number(result.kd));
    references.insert(QStringLiteral("kD"), number(kdLimit));
}

QAStep::ReportInfo ResponseDICOMStep::GetReportInfo(const QMap<QString, QString>& values,
                                                    const QMap<QString, QString>& references) const
{
    ReportInfo info = newReportInfo(ReportInfo::Measurement);
    std::vector<double> luminances;
    for (int level = 1; level <= LEVELS; ++level) {
        bool ok = false;
        const double value = values.value(patternName(level)).toDouble(&ok);
        if (!ok)
            break;
        luminances.push_back(value);
    }
    // The stored limit is the one the run judged against; the step's own parameter stands in for
    // results stored without it.
    bool hasLimit = false;
    double limit = references.value(QStringLiteral("kD")).toDouble(&hasLimit);
    if (!hasLimit)
        limit = numberParam(QStringLiteral("kD"));
    const LuminanceResponse::Result result = LuminanceResponse::evaluate(luminances, limit);
    if (!result.valid) {
        info = MeasurementStep::GetReportInfo(values, references);
        info.note = QStringLiteral("No measured luminance response is stored.");
        return info;
    }
    info.judged = true;
    info.passed = result.passed;

    ReportInfo::Values kd;
    kd.label = QStringLiteral("&Delta;k = ");
    kd.value = number(result.kd) + QStringLiteral(" %");
    if (result.limitApplied) {
        kd.criterion = QStringLiteral("&Delta;k &le; ");
        kd.limit = number(limit) + QStringLiteral(" %");
        kd.applied = true;
        kd.passed = result.passed;
    }
    info.values << kd;

    ReportInfo::ValuesTable table;
    table.title = QStringLiteral("Luminance Response");
    table.header =
        QStringList{QStringLiteral("Pattern"), QStringLiteral("Measured"), QStringLiteral("Target")};
    for (size_t i = 0; i < luminances.size(); ++i)
        table.rows << QStringList{patternName(int(i) + 1), measurementInNeededUnits(luminances[i]),
                                  measurementInNeededUnits(result.graph.targetLuminances[i])};
    info.tables << table;

    ReportInfo::ValuesTable intervals;
    intervals.title = QStringLiteral("Contrast per JND");
    intervals.header = QStringList{QStringLiteral("JND"), QStringLiteral("Measured"),
                                   QStringLiteral("Target"), QStringLiteral("Deviation")};
    ReportInfo::Graph graph;
    graph.name = QStringLiteral("Contrast Response");
    graph.xLabel = QStringLiteral("JND index");
    graph.yLabel = QStringLiteral("dL/L per JND");
    ReportInfo::Graph::Line target{
        QStringLiteral("Target"), QStringLiteral("#00ff00"), QStringLiteral("line"), {}};
    ReportInfo::Graph::Line measured{
        QStringLiteral("Measured"), QStringLiteral("#0000ff"), QStringLiteral("dot"), {}};
    const auto& graphInfo = result.graph;
    for (size_t i = 0; i < graphInfo.measuredContrast.size(); ++i) {
        const auto [jnd, m] = graphInfo.measuredContrast[i];
        const double t = graphInfo.targetContrast[i].second;
        measured.points << QPointF(jnd, m);
        target.points << QPointF(jnd, t);
        intervals.rows << QStringList{number(jnd, 1), number(m, 5), number(t, 5),
                                      number(graphInfo.deviations[i]) + QStringLiteral(" %")};
    }
    graph.lines << target << measured;
    info.graphs << graph;
    info.tables << intervals;
    if (!info.passed)
        info.note = onFailComment();
    return info;
}

void ResponseDICOMStep::ClearVariables()
{
    MeasurementStep::ClearVariables();
    m_luminances.clear();
}

bool ResponseDICOMStep::Measurements()
{
    m_luminances.clear();
    for (int level = 1; level <= LEVELS; ++level) {
        double luminance = -1;
        if (!Measurement(patternName(level), QStringLiteral("center"), luminance))
            return false;
        m_luminances.push_back(luminance);
    }
    qDebug() << "GSDF error:"
             << LuminanceResponse::evaluate(m_luminances, numberParam(QStringLiteral("kD"))).kd;
    return true;
}

void ResponseDICOMStep::GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const
{
    if (!m_luminances.empty())
        storeResponse(m_luminances, numberParam(QStringLiteral("kD")), values, references);
}
