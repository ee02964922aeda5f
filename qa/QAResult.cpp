#include "qa/QAResult.h"

#include "db/DBHistory.h"
#include "db/DBQAHistory.h"
#include "db/HistoryPreferences.h"
#include "qa/steps/QAStepFactory.h"

#include <QDebug>

namespace {

using Row = QAResult::Row;

// (setting name, label); an empty label is the name itself.
using Keys = QList<QPair<QString, QString>>;

const Keys& locationKeys()
{
    static const Keys keys{{"Facility", ""},
                           {"Department", ""},
                           {"Room", ""},
                           {"WorkstationName", "Workstation Name"},
                           {"ResponsiblePersonName", "Responsible Person Name"},
                           {"ResponsiblePersonAddress", "Address"},
                           {"ResponsiblePersonEmail", "Email"},
                           {"ResponsiblePersonPhoneNumber", "Phone Number"}};
    return keys;
}

Keys sensorKeys(const QString& suffix, const QString& dateKey)
{
    return Keys{{"SensorManufacturer" + suffix, "Sensor Manufacturer"},
                {"SensorModel" + suffix, "Sensor Model"},
                {"SensorSerialNumber" + suffix, "Sensor Serial"},
                {dateKey, "Calibration Date"}};
}

QList<Row> rowsOf(const QMap<QString, QString>& settings, const Keys& keys)
{
    QList<Row> rows;
    for (const auto& [key, label] : keys)
        rows << Row(label.isEmpty() ? key : label, settings.value(key));
    return rows;
}

bool isDin157(const QString& regulation)
{
    const QString lower = regulation.toLower();
    return lower.contains(QLatin1String("din")) && lower.contains(QLatin1String("157"));
}

} // namespace

QAResult::QAResult(qint64 historyId, bool flag)
    : m_history(std::make_unique<DBQAHistory>()), m_preferences(std::make_unique<HistoryPreferences>()),
      m_historyId(historyId)
{
    GetData(flag);
}

QAResult::~QAResult() = default;

void QAResult::getRegulationClassificationIds(QString& regulation, QString& classification) const
{
    regulation = m_regulationId;
    classification = m_classificationId;
}

void QAResult::CreateHeaderTableInfo(const QString& title, const QList<Row>& rows)
{
    m_headerTables << Table(title, rows);
}

bool QAResult::GetHeaderTableByName(const QString& title, QList<Row>& rows) const
{
    for (const Table& table : m_headerTables) {
        if (table.first == title) {
            rows = table.second;
            return true;
        }
    }
    return false;
}

void QAResult::GetHeaderInfo()
{
    const QMap<QString, QString> settings = m_preferences->getAll(m_historyId);
    CreateHeaderTableInfo(QStringLiteral("Location"), rowsOf(settings, locationKeys()));
    QList<Row> display = rowsOf(settings, Keys{{"Manufacturer", ""},
                                               {"Model", ""},
                                               {"DisplayTechnology", "Display Technology"},
                                               {"TypeOfDisplay", "Type Of Display"},
                                               {"SerialNumber", "Serial Number"}});
    display << Row(m_regulationId == QLatin1String("DIN 6868-157") ? QStringLiteral("Room Class")
                                                                   : QStringLiteral("Display Category"),
                   settings.value(QStringLiteral("Classification")));
    display << rowsOf(settings, Keys{{"InventoryNumber", "Display Inventory Number"},
                                     {"BodyRegion", "Body-region"},
                                     {"videocard", "Video Adapter"}});
    CreateHeaderTableInfo(QStringLiteral("Display Details"), display);
    CreateHeaderTableInfo(QStringLiteral("Measuring Device"),
                          rowsOf(settings, sensorKeys("", "SensorCalDate")));
    CreateHeaderTableInfo(QStringLiteral("Measuring Device Lux"),
                          rowsOf(settings, sensorKeys("_lux", "SensorCaldateNumber_lux")));
    CreateHeaderTableInfo(QStringLiteral("Measurement Device Reference"),
                          rowsOf(settings, sensorKeys("_ref", "SensorCAldateNumber_ref")));
    CreateHeaderTableInfo(QStringLiteral("Measurement Device Reference Lux"),
                          rowsOf(settings, sensorKeys("_ref_lux", "SensorCAldateNumber_ref_lux")));
}

void QAResult::GetData(bool)
{
    DBHistory history;
    auto record = history.begin(m_historyId);
    if (record.IsNull()) {
        qDebug() << "QAResult::GetData - no history entry" << m_historyId;
        return;
    }
    m_result = record.value(QStringLiteral("result")).toInt();
    m_testName = record.value(QStringLiteral("textname"));
    m_runtime = record.value(QStringLiteral("runtime")).toLongLong();
    m_displayId = record.value(QStringLiteral("deviceid")).toInt();
    m_acceptance = m_testName.toLower().contains(QLatin1String("acceptance"));

    // The regulation names the display's category, so it is known before the header is built.
    auto steps = m_history->beginResults(m_historyId);
    if (!steps.IsNull()) {
        m_regulationId = steps.value(QStringLiteral("regulationid"));
        m_classificationId = steps.value(QStringLiteral("classificationid"));
    }
    GetHeaderInfo();

    for (; !steps.IsNull(); ++steps) {
        const int code = steps.value(QStringLiteral("steptype")).toInt();
        const int stepId = steps.value(QStringLiteral("stepid")).toInt();
        m_regulationId = steps.value(QStringLiteral("regulationid"));
        m_classificationId = steps.value(QStringLiteral("classificationid"));
        std::unique_ptr<BaseStep> object = QAStepFactory::QAStep(code, -1);
        const auto* step = qobject_cast<const QAStep*>(object.get());
        if (!step)
            continue;
        QMap<QString, QString> values;
        QMap<QString, QString> references;
        const qint64 resultId = steps.value(QStringLiteral("qaresultid")).toLongLong();
        for (auto param = m_history->beginResultParams(resultId); !param.IsNull(); ++param) {
            values.insert(param.value(QStringLiteral("name")), param.value(QStringLiteral("value")));
            references.insert(param.value(QStringLiteral("name")), param.value(QStringLiteral("refvalue")));
        }
        QAStep::ReportInfo info = step->GetReportInfo(values, references);
        info.stepId = stepId;
        const QString storedName = steps.value(QStringLiteral("stepname"));
        if (!storedName.isEmpty())
            info.title = storedName;
        const bool storedPassed = steps.value(QStringLiteral("result")).toInt() == DBHistory::RESULT_PASSED;
        if (!info.judged)
            info.passed = storedPassed;
        else if (info.passed != storedPassed)
            info.note = (info.note.isEmpty() ? QString() : info.note + QLatin1Char(' ')) +
                        QStringLiteral("The stored verdict of this step was \"%1\".")
                            .arg(storedPassed ? QStringLiteral("passed") : QStringLiteral("failed"));
        info.comment = steps.value(QStringLiteral("comment"));

        const StepReport report(stepId, info);
        if (info.kind == QAStep::ReportInfo::Visual || info.kind == QAStep::ReportInfo::Framework)
            m_visual << report;
        else if (info.kind == QAStep::ReportInfo::Score)
            m_score << report;
        else
            m_measurement << report;
        m_all << report;
        m_stored << Params(values, references);
        QStringList parts;
        for (const QAStep::ReportInfo::Values& value : info.values)
            parts << value.label.trimmed() + QLatin1Char(' ') + value.value;
        m_resultLines << QStringLiteral("%1: %2%3")
                             .arg(info.title,
                                  info.passed ? QStringLiteral("passed") : QStringLiteral("failed"),
                                  parts.isEmpty() ? QString()
                                                  : QStringLiteral(" (") + parts.join("; ") + ")");
        m_resultStepIds << stepId;
    }

    if (isDin157(m_regulationId)) {
        const QMap<QString, QString> settings = m_preferences->getAll(m_historyId);
        CreateHeaderTableInfo(
            QStringLiteral("Reference values for constancy tests"),
            QList<Row>{
                Row(QStringLiteral("Measuring Device"), QString()),
                Row(QStringLiteral("Sensor Manufacturer"), settings.value("SensorManufacturer")),
                Row(QStringLiteral("Sensor Model"), settings.value("SensorModel")),
                Row(QStringLiteral("Sensor Serial Number"), settings.value("SensorSerialNumber")),
                Row(QStringLiteral("Illumination (Illuminance) meter"), settings.value("SensorModel_lux")),
                Row(QStringLiteral("Calibration Date"), settings.value("SensorCalDate"))});
    }
}

void QAResult::GetResultLines(QStringList& lines, QList<int>& stepIds) const
{
    lines = m_resultLines;
    stepIds = m_resultStepIds;
}
