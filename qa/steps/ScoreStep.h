#pragma once

#include "qa/steps/QAStep.h"

// A visual check scored by the user: each entered score against its limit.
class ScoreStep : public QAStep
{
    Q_OBJECT
public:
    explicit ScoreStep(int stepId, QObject* parent = nullptr) : QAStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Score"); }
    int StepCode() const override { return 104; }
    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;
};
