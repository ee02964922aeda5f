#pragma once

#include "qa/steps/MeasurementStep.h"

// Luminance uniformity: per grey level, the relative difference between the brightest
// and the darkest of five positions, and across the workstation's displays.
class UniformityStep : public MeasurementStep
{
    Q_OBJECT
public:
    static const QStringList& positions();

    explicit UniformityStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Uniformity"); }
    int StepCode() const override { return 114; }

    // "Uniformity80-" + position index; "UniformityRes80".
    static QString readingName(int level, int position);
    static QString resultName(int level);
    // The deviation across the workstation's displays, present only with more than one display.
    static QString multiDisplayName() { return QStringLiteral("UniformityMultiDisplay"); }

    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;
};
