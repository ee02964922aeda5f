// Measuring steps on the simulated workstation: the pattern window shows the patch, the
// simulated panel emits it through the card's ramp, and the maker's sensor reads it.
#include "displays/CurrentDisplays.h"
#include "platform/Platform.h"
#include "platform/sim/SimWorkstation.h"
#include "qa/LuminanceResponse.h"
#include "qa/patterns/TestPatternWindow.h"
#include "qa/steps/BlackWhiteStep.h"
#include "qa/steps/MultiStep.h"
#include "qa/steps/PatternScreen.h"
#include "qa/steps/ResponseDICOMStep.h"
#include "qa/steps/UniformityStep.h"
#include "sensors/KaldoSensorHID.h"
#include "sensors/SensorFactory.h"
#include "settings/DataBus.h"
#include "tests/support/TestPaths.h"
#include "tests/support/TestWorkstation.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double WHITE = 400, BLACK = 0.5, GAMMA = 2.2;

// The pattern window on the display under test; the simulated panel emits what the window
// shows where the sensor sits.
class SimPatternScreen : public PatternScreen
{
public:
    explicit SimPatternScreen(QString output) : m_output(std::move(output)) {}
    bool show(const QString& pattern, const QString& position) override
    {
        const bool ok = m_window.showPattern(pattern, QRect(0, 0, 640, 480));
        const double level = m_window.pattern().greyAt(position.section('|', 0, 0)) / 255.0;
        Platform::workstation()->setShownPatch(m_output, {level, level, level});
        shown << pattern;
        return ok;
    }
    void hide() override { m_window.hide(); }
    QStringList shown;

private:
    QString m_output;
    TestPatternWindow m_window;
};

class MeasurementSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString json = QStringLiteral(R"({"name": "QA bench",
          "videoCards": [{"id": "card0", "name": "Sim card", "rampSize": 256}],
          "displays": [{"output": "DP-1", "card": "card0", "rect": [0, 0, 1920, 1080],
            "panel": {"white": %1, "black": %2, "gamma": %3},
            "sensors": [{"path": "/dev/hidraw3", "manufacturer": "KALDO", "product": "KALDO Front Sensor",
                         "serial": "FS100", "vendor": "kaldo", "model": "sorvex"}]}]})")
                                 .arg(WHITE)
                                 .arg(BLACK)
                                 .arg(GAMMA);
        QString error;
        ASSERT_TRUE(
            TestWorkstation::select(TestPaths::freshFolder("measure-ws") + "/ws.json", json.toUtf8(), &error))
            << error.toStdString();
        SensorFactory::registerAll();
        m_sensor = std::make_shared<KaldoSensorHID>(QStringLiteral("FS100"));
        ASSERT_TRUE(m_sensor->IsConnected());
    }
    void TearDown() override { Platform::reset(); }

    template <typename Step> Step* add(MultiStep& run, int stepId, const QMap<QString, QString>& params)
    {
        auto step = std::make_unique<Step>(stepId);
        step->SetParams(params);
        step->setSensor(m_sensor);
        step->setPatternScreen(&m_screen);
        Step* raw = step.get();
        run.AddStep(std::move(step));
        return raw;
    }

    std::shared_ptr<KaldoSensorHID> m_sensor;
    SimPatternScreen m_screen{QStringLiteral("DP-1")};
};

} // namespace

TEST_F(MeasurementSim, ARunMeasuresTheResponseOnceAndEveryStepJudgesIt)
{
    DataBus bus;
    bus.SetValue<int>("displayid", 1);
    MultiStep run;
    run.SetDataBus(&bus);
    ResponseDICOMStep* dicom = add<ResponseDICOMStep>(run, 13, {{"kD", "10"}});
    BlackWhiteStep* blackWhite = add<BlackWhiteStep>(run, 11, {{"Lmax", "350"}, {"LR", "250"}});
    UniformityStep* uniformity = add<UniformityStep>(run, 14, {{"Uniformity", "30"}});
    run.Run();

    // The panel's own response, computed here: black + (white - black) * (DDL / 255)^gamma.
    std::vector<double> expected;
    for (int i = 0; i < 18; ++i)
        expected.push_back(BLACK + (WHITE - BLACK) * std::pow(std::round(i * 255.0 / 17) / 255.0, GAMMA));
    ASSERT_EQ(dicom->luminances().size(), 18u);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(dicom->luminances()[i], expected[i], 0.01 + expected[i] * 0.001) << i;
    EXPECT_EQ(m_screen.shown.mid(0, 2), QStringList({"TG18-LN8-01", "TG18-LN8-02"}));
    // A gamma 2.2 panel is far from the GSDF in the dark end.
    EXPECT_EQ(dicom->GetStatus(), BaseStep::Failed);
    const auto results = bus.GetValue<QMap<QString, QString>>("results");
    EXPECT_NEAR(results.value("13:kD").toDouble(), LuminanceResponse::evaluate(expected, 10).kd, 0.05);

    // Black and white were measured by the response step; the buffer answers them.
    EXPECT_EQ(blackWhite->sensorReadings(), 0);
    EXPECT_EQ(blackWhite->GetStatus(), BaseStep::Finished);
    EXPECT_NEAR(results.value("11:measuredmax_").toDouble(), WHITE, 0.5);
    EXPECT_NEAR(results.value("11:measuredmin_").toDouble(), BLACK, 0.01);

    // A uniform panel: both levels at 0 %, and no multi-display value with one display.
    EXPECT_EQ(uniformity->sensorReadings(), 10);
    EXPECT_EQ(uniformity->GetStatus(), BaseStep::Finished);
    EXPECT_EQ(results.value("14:UniformityRes80"), "0.00");
    EXPECT_FALSE(results.contains("14:" + UniformityStep::multiDisplayName()));
    EXPECT_EQ(run.GetStatus(), BaseStep::Finished);
}

TEST_F(MeasurementSim, ASensorThatIsGoneEndsTheStepWithoutAResult)
{
    DataBus bus;
    MultiStep run;
    run.SetDataBus(&bus);
    run.SetParams({{"1 failed steps", "true"}});
    ResponseDICOMStep* dicom = add<ResponseDICOMStep>(run, 13, {{"kD", "10"}});
    Platform::workstation()->setHidConnected("/dev/hidraw3", false);
    run.Run();
    EXPECT_EQ(dicom->GetStatus(), BaseStep::Failed);
    EXPECT_TRUE(dicom->luminances().empty());
    const auto results = bus.GetValue<QMap<QString, QString>>("results");
    EXPECT_FALSE(results.contains("13:kD"));
    EXPECT_EQ(run.GetStatus(), BaseStep::Failed);
}
