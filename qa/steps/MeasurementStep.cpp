#include "qa/steps/MeasurementStep.h"

#include "qa/patterns/TestPattern.h"
#include "qa/steps/PatternScreen.h"
#include "sensors/CSensor.h"
#include "settings/DataBus.h"

#include <QDebug>

#include <atomic>
#include <cmath>

namespace {

constexpr double CANDELA_PER_FOOTLAMBERT = 3.4262591;
const QString BUFFER = QStringLiteral("measurementBuffer");
const QString LAST_PLACE = QStringLiteral("lastPlace");
// A question nobody answers within this many event rounds is taken as cancelled, so a run
// without a user interface never hangs.
constexpr int ANSWER_ROUNDS = 300;

// The sensor calibration holds for the process (the dark reference does not drift away in one session).
std::atomic_bool sensorCalibrated{false};

using Buffer = QMap<QString, QList<double>>;

QString bufferKey(const QString& pattern, const QString& position, int mode)
{
    return pattern + QLatin1Char('\n') + position + QLatin1Char('\n') + QString::number(mode);
}

} // namespace

MeasurementStep::MeasurementStep(int stepId, QObject* parent) : QAStep(stepId, parent) {}

MeasurementStep::~MeasurementStep() = default;

QString MeasurementStep::number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

int MeasurementStep::displayId() const
{
    return dataBus() ? dataBus()->GetValue<int>(QStringLiteral("displayid"), -1) : -1;
}

void MeasurementStep::fromUI(const QString& command, const QMap<QString, QString>& value)
{
    if (command == QLatin1String("step continue") && !value.isEmpty()) {
        // An answer to a question (a typed value): the step goes on.
        m_answer = value;
        m_answered = true;
        return;
    }
    BaseStep::fromUI(command, value);
}

bool MeasurementStep::waitForAnswer()
{
    for (int round = 0; !m_answered && !IsCanceled() && round < ANSWER_ROUNDS; ++round)
        letEventsRun(10);
    return m_answered && !IsCanceled();
}

bool MeasurementStep::PrepareMeasurement(const QString& pattern, const QString& position, const QString&, int)
{
    QString shown = pattern;
    if (dataBus() && dataBus()->GetValue<bool>(QStringLiteral("internal sensor used"), false)) {
        // A sensor built into the display needs a uniform field of the grey it measures.
        const int grey = TestPattern::fromName(pattern).greyAt(position);
        shown = QStringLiteral("Solid_%1").arg(grey);
    }
    if (m_screen && !m_screen->show(shown, position)) {
        qDebug() << "MeasurementStep::PrepareMeasurement - cannot show" << shown;
        return false;
    }
    letEventsRun();
    const QString place = position.section(QLatin1Char('|'), 0, 0);
    const QString last = dataBus() ? dataBus()->getString(LAST_PLACE) : QString();
    if (place != last && !m_manual) {
        if (dataBus())
            dataBus()->setString(LAST_PLACE, place);
        while (IsBlocked())
            letEventsRun(100);
        const bool distant = m_sensor && m_sensor->IsDistance();
        toUI(distant ? QStringLiteral("sensorposition_distance") : QStringLiteral("sensorposition"), place);
        letEventsRun();
    }
    return !IsCanceled();
}

double MeasurementStep::Measure(int mode, double defaultValue)
{
    m_currentReadings.clear();
    if (m_sensor) {
        QString title, message;
        while (!m_sensor->isSensorReady(title, message)) {
            ChangeStatus(Running);
            m_answered = false;
            toUI(QStringLiteral("sensormode dialog"),
                 QMap<QString, QString>{{"title", title}, {"message", message}});
            if (!waitForAnswer())
                return -1;
        }
        double value = -1;
        const bool ok =
            mode == AmbientLux ? m_sensor->getAmbientLuminanceLux(value) : m_sensor->GetLuminance(value);
        if (!ok || value < 0) {
            qDebug() << "MeasurementStep::Measure - the sensor gave no reading";
            return -1;
        }
        ++m_sensorReadings;
        m_currentReadings.push_back(value);
        return value;
    }
    if (!m_manual)
        return -1;
    while (IsBlocked())
        letEventsRun(100);
    QString question = QStringLiteral("luminance");
    if (showsLux())
        question += QStringLiteral("||Lx");
    else if (showsFootLamberts())
        question += QStringLiteral("||fL");
    QMap<QString, QString> ask{{QStringLiteral("question"), question}};
    if (defaultValue >= 0)
        ask.insert(QStringLiteral("defaultValue"), QString::number(defaultValue, 'g', 3));
    m_answered = false;
    toUI(QStringLiteral("show dialog"), ask);
    if (!waitForAnswer())
        return -1;
    bool ok = false;
    const double typed = m_answer.value(QStringLiteral("value")).toDouble(&ok);
    if (!ok || typed < 0 || !std::isfinite(typed)) {
        qDebug() << "MeasurementStep::Measure - not a luminance:" << m_answer.value(QStringLiteral("value"));
        return -1;
    }
    m_currentReadings.push_back(typed);
    return typed;
}

bool MeasurementStep::Measurement(const QString& pattern, const QString& position, double& result,
                                  const QString& extra, int mode, double defaultValue)
{
    while (IsBlocked())
        letEventsRun(100);
    letEventsRun();
    if (IsCanceled())
        return false;
    const QString key = bufferKey(pattern, position, mode);
    Buffer buffer = dataBus() ? dataBus()->GetValue<Buffer>(BUFFER) : Buffer();
    if (!m_restart && buffer.contains(key)) {
        result = buffer.value(key).value(0);
        return true;
    }
    if (!PrepareMeasurement(pattern, position, extra, mode))
        return false;
    result = Measure(mode, defaultValue);
    if (result == -1)
        return false;
    // A typed value is in the units the user was asked in; a sensor always reads cd/m².
    if (m_manual && !m_sensor && mode == DisplayLuminance && showsFootLamberts())
        result = std::round(result * CANDELA_PER_FOOTLAMBERT * 100) / 100;
    toUI(QStringLiteral("measuredvalue"), QString::number(result));
    if (dataBus()) {
        buffer.insert(key, QList<double>{result, -1, -1});
        dataBus()->SetValue(BUFFER, buffer);
    }
    qDebug() << "MeasurementStep::Measurement" << pattern << position << "=" << result;
    return !IsCanceled();
}

bool MeasurementStep::calibrateSensorIfNeeded()
{
    if (!m_sensor || !m_sensor->IsSensorCalibrationNeeded() || sensorCalibrated)
        return true;
    QString message = m_sensor->GetCalibrationSensorMessage();
    if (message.isEmpty())
        message =
            QStringLiteral("Please place the sensor on a black, non-reflecting surface and click \"OK\".") +
            QStringLiteral("<br/>") +
            QStringLiteral("Note: You can skip this step if the measuring device was recently calibrated "
                           "(up to 5 minutes ago).");
    if (m_screen)
        m_screen->hide();
    toUI(QStringLiteral("sensorcalibration"), message);
    letEventsRun();
    if (IsCanceled())
        return false;
    if (!m_sensor->Calibrate()) {
        qDebug() << "MeasurementStep::calibrateSensorIfNeeded - calibration failed";
        return false;
    }
    sensorCalibrated = true;
    return true;
}

bool MeasurementStep::StepInit(bool calibrate)
{
    if (!m_sensor && !m_manual && dataBus())
        m_manual = dataBus()->GetValue<bool>(QStringLiteral("ismanual"), false);
    if (!m_sensor && !m_manual) {
        toUI(QStringLiteral("show sensor not found"), Name());
        ChangeStatus(Skipped);
        return false;
    }
    if (calibrate && !calibrateSensorIfNeeded()) {
        if (GetStatus() == Running)
            ChangeStatus(Skipped);
        return false;
    }
    return true;
}

bool MeasurementStep::ambientChanged(double reference, double measured)
{
    const double deviation = std::abs(reference - measured);
    if (measured <= 0.15)
        return false;
    if (reference <= 0.5)
        return deviation > 0.05;
    if (reference <= 1.0)
        return deviation > 0.1;
    return deviation > reference * 0.1;
}

bool MeasurementStep::showAmbientDialog(double measuredAmbient, bool show)
{
    double reference = m_preferenceAmbient;
    if (!m_acceptance && m_referenceAmbient != -1)
        reference = m_referenceAmbient;
    if (!show || isFairy() || m_ambient >= 0 || IsCanceled() || !ambientChanged(reference, measuredAmbient))
        return false;
    const QString text =
        m_acceptance
            ? QStringLiteral("Veiling lighting conditions under which you performed the last calibration "
                             "have changed. To pass the acceptance test successfully, please re-calibrate "
                             "the display.")
            : QStringLiteral("Veiling lighting conditions under which you performed the acceptance test "
                             "have changed. It can lead to a constancy test failure.") +
                  QStringLiteral("<br/><br/>") + QStringLiteral("Reference veiling luminance: ") +
                  measurementInNeededUnits(reference);
    toUI(QStringLiteral("show info dialog"), text);
    return true;
}

void MeasurementStep::Run()
{
    if (!InitRun() || !StepInit(true))
        return;
    ClearVariables();
    m_sensorReadings = 0;
    LoadMultiMonitorValues();
    if (!Measurements()) {
        if (GetStatus() == Running)
            ChangeStatus(Failed);
        qDebug() << "measurement step. status: " << GetStatus() << "(no result)";
        if (m_screen)
            m_screen->hide();
        return;
    }
    QMap<QString, QString> values;
    QMap<QString, QString> references;
    GetResults(values, references);
    SaveInDataBus(values, references);
    SaveMultiMonitorValues();
    if (!isOk(values, references))
        ChangeStatus(Failed);

    QStringList limits, texts;
    FillDetailedLists(limits, texts);
    QMap<QString, QString> page{{QStringLiteral("0"), QString::number(GetStatus())},
                                {QStringLiteral("1"), limits.join(QStringLiteral("||"))},
                                {QStringLiteral("2"), texts.join(QStringLiteral("||"))}};
    if (GetStatus() == Failed)
        page.insert(QStringLiteral("note"), onFailComment());
    qDebug() << "measurement step. status: " << GetStatus();
    qDebug() << "measurement step. limits: " << limits;
    qDebug() << "measurement step. values: " << texts;
    toUI(QStringLiteral("measurestepresult"), page);
    if (dataBus())
        dataBus()->setString(LAST_PLACE, QString());
    if (m_screen)
        m_screen->hide();
}

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
