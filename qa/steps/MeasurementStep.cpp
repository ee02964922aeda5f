#include "qa/steps/MeasurementStep.h"

void MeasurementStep::FillDetailedLists(QStringList& limits, QStringList& values) const
{
    QMap<QString, QString> measured;
    QMap<QString, QString> references;
    GetResults(measured, references);
    const ReportInfo info = GetReportInfo(measured, references);
    for (const ReportInfo::Values& row : info.values) {
        limits << (row.criterion.isEmpty() ? QString() : row.criterion + row.limit);
        values << row.label + QLatin1Char(' ') + row.value;
    }
}

void MeasurementStep::GetResults(QMap<QString, QString>&, QMap<QString, QString>&) const {}

bool MeasurementStep::isOk(const QMap<QString, QString>& values,
                           const QMap<QString, QString>& references) const
{
    return GetReportInfo(values, references).passed;
}

QAStep::ReportInfo MeasurementStep::GetReportInfo(const QMap<QString, QString>& values,
                                                  const QMap<QString, QString>& references) const
{
    ReportInfo info = QAStep::GetReportInfo(values, references);
    info.kind = ReportInfo::Measurement;
    return info;
}

QString MeasurementStep::number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
