// A QA run stored the way the main application stores it, read back by "history show"
// and uploaded by the history synchroniser: both must carry the same values.
#include "db/DBHistory.h"
#include "db/DBQAHistory.h"
#include "db/DBTransaction.h"
#include "db/HistoryPreferences.h"
#include "qa/steps/ResponseDICOMStep.h"
#include "qa/steps/UniformityStep.h"
#include "settings/DataDirectory.h"
#include "tests/support/ProgramRun.h"
#include "tests/sync/SyncFixture.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

QJsonObject findByKey(const QJsonArray& list, const QString& key, const QString& value)
{
    for (const QJsonValue& item : list) {
        if (item.toObject().value(key).toString() == value)
            return item.toObject();
    }
    return {};
}

} // namespace

class HistoryReport : public SyncFixture
{
protected:
    void SetUp() override
    {
        SyncFixture::SetUp();
        DB::free();
        DB::setPath(DataDirectory::path());
        ASSERT_TRUE(Schema::checkAll(*DB::get()));
        exec("DELETE FROM History");
        exec("DELETE FROM QAResults");
        exec("DELETE FROM QAResultParams");
        exec("DELETE FROM HistoryPreferences");
    }

    // One failed AAPM run with a visual, a score and three measuring steps, and a step of a code
    // this version does not know.
    qint64 storeRun(int display)
    {
        DBTransaction transaction;
        const qint64 id = DBHistory().addRecord(display, "QA AAPM TG18", 1, 1, 1765000000);
        HistoryPreferences preferences;
        const QMap<QString, QString> settings{{"Facility", "St. Example Hospital"},
                                              {"Department", "Radiology"},
                                              {"Room", "R 2.14"},
                                              {"WorkstationName", "RAD-WS-07"},
                                              {"Manufacturer", "Acme"},
                                              {"Model", "MX-300"},
                                              {"SerialNumber", "SN-4711"},
                                              {"Classification", "Primary"},
                                              {"InventoryNumber", "INV-9"},
                                              {"videocard", "Sim GPU"},
                                              {"SensorManufacturer", "SimSense"},
                                              {"SensorModel", "SX-1"},
                                              {"SensorSerialNumber", "S-42"},
                                              {"SensorCalDate", "2026.11.01"}};
        for (auto it = settings.begin(); it != settings.end(); ++it)
            preferences.addValue(id, it.key(), it.value());

        DBQAHistory qa;
        const auto step = [&](int stepId, int code, int result, const QString& name,
                              const QMap<QString, QString>& values, const QMap<QString, QString>& references,
                              const QString& comment = QString()) {
            const qint64 resultId =
                qa.addStepResult(id, "AAPM", 1, stepId, code, result, name, comment, 3, 1765000000);
            for (auto it = values.begin(); it != values.end(); ++it)
                qa.addResultParams(resultId, it.key(), it.value(), references.value(it.key()));
        };
        step(1, 101, 2, "Overall Evaluation - General", {{"Are all 16 squares distinct?", "yes"}},
             {{"Are all 16 squares distinct?", "yes"}});
        step(2, 104, 2, "Display Noise", {{"Score", "4"}}, {{"Score", "3"}});
        step(3, 111, 2, "Luminance Response",
             {{"measuredmax_", "389.8"},
              {"measuredmin_", "0.8"},
              {"Lamb", "0.2"},
              {"Lmax", "390"},
              {"LR", "390"}},
             {{"Lmax", "170"}, {"LR", "250"}});
        std::vector<double> gamma;
        for (int i = 0; i < 18; ++i)
            gamma.push_back(0.5 + 399.5 * std::pow(i / 17.0, 2.2));
        QMap<QString, QString> values, references;
        ResponseDICOMStep::storeResponse(gamma, 10, values, references);
        step(4, 113, 1, "Luminance Response - DICOM Curve", values, references, "calibrated last year");
        values.clear();
        const double readings[] = {120, 100, 104, 98, 101};
        for (int p = 0; p < 5; ++p)
            values[UniformityStep::readingName(80, p)] = QString::number(readings[p]);
        values[UniformityStep::resultName(80)] = "20.18";
        step(5, 114, 2, "Luminance Uniformity", values,
             {{UniformityStep::resultName(80), "30"}, {"Uniformity", "30"}});
        step(6, 108, 2, "Legacy Check", {{"x", "1"}}, {});
        return id;
    }
};

TEST_F(HistoryReport, AStoredRunReadsBackWholeAndUploadsTheSameValues)
{
    const int display = addDisplay("SN-4711", true);
    const qint64 id = storeRun(display);

    ProgramRun list = ProgramRun::ctl({"--json", "history", "list", QString::number(display)});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    ASSERT_EQ(list.json()["history"].toArray().size(), 1);
    EXPECT_EQ(list.json()["history"][0]["historyid"].toInteger(), id);
    EXPECT_EQ(ProgramRun::ctl({"--json", "history", "list", QString::number(display + 1)})
                  .json()["history"]
                  .toArray()
                  .size(),
              0);

    const QString html = TestPaths::freshFolder("history-report") + "/report.html";
    ProgramRun show = ProgramRun::ctl({"--json", "history", "show", QString::number(id), "--html", html});
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    const QJsonObject report = show.json();
    EXPECT_EQ(report["regulation"].toString(), "AAPM");
    EXPECT_FALSE(report["passed"].toBool());

    const QJsonArray headers = report["headers"].toArray();
    QStringList titles;
    for (const QJsonValue& table : headers)
        titles << table["title"].toString();
    EXPECT_EQ(titles, QStringList({"Location", "Display Details", "Measuring Device", "Measuring Device Lux",
                                   "Measurement Device Reference", "Measurement Device Reference Lux"}));
    const QJsonObject location = findByKey(headers, "title", "Location")["values"].toObject();
    EXPECT_EQ(location["Workstation Name"].toString(), "RAD-WS-07");
    EXPECT_EQ(location["Facility"].toString(), "St. Example Hospital");
    const QJsonObject details = findByKey(headers, "title", "Display Details")["values"].toObject();
    EXPECT_EQ(details["Display Category"].toString(), "Primary");
    EXPECT_EQ(details["Video Adapter"].toString(), "Sim GPU");
    const QJsonObject sensor = findByKey(headers, "title", "Measuring Device")["values"].toObject();
    EXPECT_EQ(sensor["Sensor Serial"].toString(), "S-42");
    EXPECT_EQ(sensor["Calibration Date"].toString(), "2026.11.01");

    // The unknown code is left out; the others keep their stored order, each judged by its class.
    const QJsonArray steps = report["steps"].toArray();
    ASSERT_EQ(steps.size(), 5);
    QStringList kinds;
    for (const QJsonValue& step : steps)
        kinds << step["kind"].toString();
    EXPECT_EQ(kinds, QStringList({"visual", "score", "measurement", "measurement", "measurement"}));
    const QJsonObject dicom = findByKey(steps, "title", "Luminance Response - DICOM Curve");
    EXPECT_TRUE(dicom["judged"].toBool());
    EXPECT_FALSE(dicom["passed"].toBool());
    EXPECT_EQ(dicom["comment"].toString(), "calibrated last year");
    EXPECT_EQ(dicom["graphs"][0]["lines"][1]["points"].toArray().size(), 17);
    EXPECT_EQ(dicom["values"][0]["value"].toString(), dicom["stored"]["kD"]["value"].toString() + " %");
    const QJsonObject uniformity = findByKey(steps, "title", "Luminance Uniformity");
    EXPECT_TRUE(uniformity["passed"].toBool());
    EXPECT_EQ(uniformity["values"][0]["value"].toString(), "20.18 %");

    QFile page(html);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(text.contains("<svg")) << "no graph in the report";
    EXPECT_TRUE(text.contains("<polyline")) << "no target curve";
    EXPECT_TRUE(text.contains("RAD-WS-07"));
    EXPECT_TRUE(text.contains("&Delta;k &le; 10.00 %"));

    // The upload: one report whose steps carry exactly the stored values and references.
    ASSERT_TRUE(synchronize());
    QJsonObject uploaded;
    for (const MgmtServer::Received& r : server().received()) {
        if (r.action == QLatin1String("HISTORY"))
            uploaded = findByKey(r.data.toArray(), "name", "QA AAPM TG18");
    }
    ASSERT_FALSE(uploaded.isEmpty());
    const QJsonObject elements = uploaded.value("elements").toObject();
    EXPECT_EQ(elements["Model"].toString(), details["Model"].toString());
    EXPECT_EQ(elements["Sensor Serial"].toString(), sensor["Sensor Serial"].toString());
    EXPECT_EQ(uploaded["regulation"].toString(), report["regulation"].toString());
    const QJsonArray sent = uploaded["steps"].toArray();
    ASSERT_EQ(sent.size(), 6);
    int compared = 0;
    for (const QJsonValue& step : sent) {
        const QJsonObject shown = findByKey(steps, "title", step["name"].toString());
        if (step["name"].toString() == "Legacy Check") {
            EXPECT_TRUE(shown.isEmpty());
            continue;
        }
        const QJsonObject stored = shown["stored"].toObject();
        EXPECT_EQ(step["scores"].toArray().size(), stored.size()) << step["name"].toString().toStdString();
        for (const QJsonValue& score : step["scores"].toArray()) {
            const QJsonObject row = stored[score["name"].toString()].toObject();
            EXPECT_EQ(score["measured"].toString(), row["value"].toString());
            EXPECT_EQ(score["limit"].toString(), row["reference"].toString());
            ++compared;
        }
    }
    EXPECT_EQ(compared, 1 + 1 + 5 + 19 + 6);

    // Chromium, when installed, must draw the page with its graph (the PNG is kept beside the page).
    const QString script = QStringLiteral(LUTLOADER_SOURCE_DIR) + "/scripts/render-qa-report.sh";
    const QString png = QFileInfo(html).absolutePath() + "/report.png";
    const ProgramRun render = ProgramRun::run("bash", {script, html, png}, {}, 120000);
    if (render.exitCode == 77)
        GTEST_SKIP() << "chromium is not installed";
    ASSERT_EQ(render.exitCode, 0) << render.err.toStdString();
    EXPECT_GT(QFileInfo(png).size(), 10000);
}
