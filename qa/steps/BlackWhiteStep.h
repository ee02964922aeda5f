#pragma once

#include "qa/steps/MeasurementStep.h"

// Black and white luminance with the ambient light: maximum and minimum luminance, their
// ratio, the veiling luminance quantities, their drift since the acceptance test and the
// difference to the workstation's other displays.
class BlackWhiteStep : public MeasurementStep
{
    Q_OBJECT
public:
    explicit BlackWhiteStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Black White"); }
    int StepCode() const override { return 111; }

    // The limits a regulation may give this step.
    static const QStringList& limitNames();
    // The stored name of an acceptance value ("acceptance Lmax") and of the other displays'
    // values ("others Lmax", several joined by ";").
    static QString acceptanceName(const QString& quantity);
    static QString othersName(const QString& quantity);

    bool Measurements() override;
    void GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const override;
    void LoadMultiMonitorValues() override;
    void SaveMultiMonitorValues() override;
    // The data bus names under which every display of the run leaves its L'max and LR
    // (display id -> value).
    static QString multiMonitorName(const QString& quantity);

    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;

private:
    double m_min = -1;
    double m_max = -1;
    double m_lamb = 0;
    QStringList m_otherLmax;
    QStringList m_otherLr;
};
