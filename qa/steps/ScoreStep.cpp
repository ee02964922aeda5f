#include "qa/steps/ScoreStep.h"

QAStep::ReportInfo ScoreStep::GetReportInfo(const QMap<QString, QString>& values,
                                            const QMap<QString, QString>& references) const
{
    // Scores are listed as entered, each beside the limit it was held against.
    ReportInfo info = QAStep::GetReportInfo(values, references);
    info.kind = ReportInfo::Score;
    return info;
}
