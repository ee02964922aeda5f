#pragma once

#include "qa/steps/MeasurementStep.h"

#include <vector>

// The grey-scale response against the GSDF: 18 luminances, the contrast per JND of each
// interval measured and targeted, and the largest relative deviation kD.
class ResponseDICOMStep : public MeasurementStep
{
    Q_OBJECT
public:
    static constexpr int LEVELS = 18;

    explicit ResponseDICOMStep(int stepId, QObject* parent = nullptr) : MeasurementStep(stepId, parent) {}
    QString Name() const override { return QStringLiteral("QA Luminance Response DICOM"); }
    int StepCode() const override { return 113; }

    // "TG18-LN8-01" ... "TG18-LN8-18"; the stored luminances carry these names.
    static QString patternName(int level);
    QString onFailComment() const override;
    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;
    // The stored form of a measured response and its tolerance.
    bool Measurements() override;
    void GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const override;
    void ClearVariables() override;
    const std::vector<double>& luminances() const { return m_luminances; }
    static void storeResponse(const std::vector<double>& luminances, double kdLimit,
                              QMap<QString, QString>& values, QMap<QString, QString>& references);

private:
    std::vector<double> m_luminances;
};
