#pragma once

#include "qa/steps/QAStep.h"

#include <memory>
#include <vector>

class CSensor;
class PatternScreen;

// The base of every step that measures the display with a sensor: the run sequence
// (sensor ready and calibrated, the step's measurements, results, result page), one
// reading of a pattern at a place with a run-wide buffer so no pattern is measured twice
// at the same place, manual entry when no sensor is used, and the warning that the
// veiling light changed. The concrete steps supply their patches and their pass rule.
class MeasurementStep : public QAStep
{
    Q_OBJECT
public:
    enum MeasureMode
    {
        DisplayLuminance = 0, // cd/m²
        AmbientLux = 1,       // lux, the sensor's ambient function
        ColorReading = 2      // X, Y, Z
    };

    explicit MeasurementStep(int stepId, QObject* parent = nullptr);
    ~MeasurementStep() override;

    QString Name() const override { return QStringLiteral("QA Measurement"); }
    void Run() override;
    void fromUI(const QString& command, const QMap<QString, QString>& value) override;
    using BaseStep::fromUI;

    // Steps this agent only reports have no measuring sequence of their own.
    virtual bool Measurements() { return false; }
    virtual void FillDetailedLists(QStringList& limits, QStringList& values) const;
    virtual void GetResults(QMap<QString, QString>& values, QMap<QString, QString>& references) const;
    virtual bool isOk(const QMap<QString, QString>& values, const QMap<QString, QString>& references) const;
    virtual QString onFailComment() const { return QString(); }
    virtual void LoadMultiMonitorValues() {}
    virtual void SaveMultiMonitorValues() {}
    virtual void ClearVariables() { m_currentReadings.clear(); }
    virtual bool InitRun() { return true; }
    virtual bool PrepareMeasurement(const QString& pattern, const QString& position, const QString& extra,
                                    int mode);

    ReportInfo GetReportInfo(const QMap<QString, QString>& values,
                             const QMap<QString, QString>& references) const override;

    // One reading of `pattern` at `position`; false when cancelled or the reading failed.
    bool Measurement(const QString& pattern, const QString& position, double& result,
                     const QString& extra = QString(), int mode = DisplayLuminance, double defaultValue = -1);
    // -1 on cancel or failure.
    double Measure(int mode, double defaultValue = -1);
    bool StepInit(bool calibrate);
    bool calibrateSensorIfNeeded();
    // True when the warning was shown.
    bool showAmbientDialog(double measuredAmbient, bool show);
    // Whether a measured veiling luminance is far enough from the reference to warn (cd/m²).
    static bool ambientChanged(double reference, double measured);

    void setSensor(std::shared_ptr<CSensor> sensor) { m_sensor = std::move(sensor); }
    void setManual(bool manual) { m_manual = manual; }
    bool isManual() const { return m_manual; }
    void setRestartMeasurements(bool restart) { m_restart = restart; }
    void setPatternScreen(PatternScreen* screen) { m_screen = screen; }
    void setAcceptanceTest(bool acceptance) { m_acceptance = acceptance; }
    // The veiling luminance of the run (cd/m²), -1 when not known; and that of the last acceptance test.
    double ambient() const { return m_ambient; }
    void setAmbient(double ambient) { m_ambient = ambient; }
    void setReferenceAmbient(double ambient) { m_referenceAmbient = ambient; }
    // The reference the preferences give ("AmbientLight", cd/m²).
    void setPreferenceAmbient(double ambient) { m_preferenceAmbient = ambient; }
    const std::vector<double>& currentReadings() const { return m_currentReadings; }
    // Readings taken by the sensor (not answered from the buffer) in this step.
    int sensorReadings() const { return m_sensorReadings; }

    // "12.35" for a value the report shows.
    static QString number(double value, int decimals = 2);

protected:
    std::shared_ptr<CSensor> sensor() const { return m_sensor; }
    // The display under test, as the run's bus names it (-1 when none).
    int displayId() const;

private:
    // Waits for the user interface to answer a question; false when cancelled or nobody answers.
    bool waitForAnswer();

    std::shared_ptr<CSensor> m_sensor;
    PatternScreen* m_screen = nullptr;
    bool m_manual = false;
    bool m_restart = false;
    bool m_acceptance = false;
    double m_ambient = -1;
    double m_referenceAmbient = -1;
    double m_preferenceAmbient = 0;
    std::vector<double> m_currentReadings;
    int m_sensorReadings = 0;
    bool m_answered = false;
    QMap<QString, QString> m_answer;
};
