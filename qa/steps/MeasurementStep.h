#pragma once

#include "qa/steps/QAStep.h"

// The base of every step that measures the display with a sensor. The report side is
// here; the concrete steps supply their patches and their pass rule.
class MeasurementStep : public QAStep
{
    Q_OBJECT
public:
    explicit MeasurementStep(int stepId, QObject* parent = nullptr) : QAStep(stepId, parent) {}

    QString Name() const override { return QStringLiteral("QA Measurement"); }
    // Steps this agent only reports have no measuring sequence of their own.
    virtual bool Measurements() { return false; }
    virtual void FillDetailedLists(QStringList& limits, QStringList& values) const;
    virtual void GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const;
    virtual bool isOk(const QMap<QString, QString>& values, const QMap<QString, QString>& references) const;
    virtual QString onFailComment() const { return QString(); }
    virtual void LoadMultiMonitorValues() {}
    virtual void SaveMultiMonitorValues() {}

    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;

    // "12.35" for a value the report shows; empty text for none.
    static QString number(double value, int decimals = 2);
};
