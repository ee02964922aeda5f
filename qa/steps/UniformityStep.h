#pragma once

#include "qa/steps/MeasurementStep.h"

#include <vector>

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

    bool Measurements() override;
    void GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const override;
    void ClearVariables() override;
    void LoadMultiMonitorValues() override;
    void SaveMultiMonitorValues() override;
    // The grey levels measured, in order (10 % only with "useunl10").
    QList<int> levels() const;
    static QString multiMonitorName() { return QStringLiteral("multimonitor Uniformity80"); }

    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;

private:
    QMap<int, std::vector<double>> m_readings;
    std::vector<double> m_otherCentres;
};
