// Measuring steps driven the way the main application's user interface drives them:
// typed values in manual mode, and the run's buffer shared by the steps of one run.
#include "qa/steps/BlackWhiteStep.h"
#include "qa/steps/MultiStep.h"
#include "qa/steps/ResponseDICOMStep.h"
#include "qa/steps/UniformityStep.h"
#include "settings/DataBus.h"

#include <gtest/gtest.h>

namespace {

// Answers every question of a step with the next typed value and records what it was asked.
struct Typist
{
    explicit Typist(QList<double> typed) : values(std::move(typed)) {}
    QList<double> values;
    QStringList questions;
    int next = 0;

    void attach(MeasurementStep& step)
    {
        QObject::connect(&step, &BaseStep::signalToUIMap, &step,
                         [this, &step](const QString& command, const QMap<QString, QString>& value) {
                             if (command != QLatin1String("show dialog"))
                                 return;
                             questions << value.value("question");
                             step.fromUI(
                                 "step continue",
                                 QMap<QString, QString>{{"value", QString::number(values.value(next++))}});
                         });
    }
};

} // namespace

TEST(MeasurementStep, TheRunBufferMeasuresAPatternOnceAndTypedFootLambertsBecomeCandela)
{
    DataBus bus;
    BlackWhiteStep first(1);
    first.SetDataBus(&bus);
    first.setManual(true);
    first.SetParams({{"luminance units", "fL"}});
    Typist typist{{10, 0.2}};
    typist.attach(first);
    double white = 0;
    ASSERT_TRUE(first.Measurement("TG18-LN8-18", "center", white));
    EXPECT_DOUBLE_EQ(white, 34.26);
    EXPECT_EQ(typist.questions, QStringList({"luminance||fL"}));

    // Another step of the same run gets the buffered value without asking.
    BlackWhiteStep second(2);
    second.SetDataBus(&bus);
    second.setManual(true);
    Typist quiet{{99}};
    quiet.attach(second);
    double again = 0;
    ASSERT_TRUE(second.Measurement("TG18-LN8-18", "center", again));
    EXPECT_DOUBLE_EQ(again, 34.26);
    EXPECT_TRUE(quiet.questions.isEmpty());
    // Another place or pattern is measured; restarting measures again.
    ASSERT_TRUE(second.Measurement("TG18-LN8-18", "top-left", again));
    EXPECT_EQ(quiet.questions.size(), 1);
    second.setRestartMeasurements(true);
    ASSERT_TRUE(second.Measurement("TG18-LN8-18", "center", again));
    EXPECT_EQ(quiet.questions.size(), 2);

    // A step nobody answers gives up instead of waiting for ever; a cancelled one stops.
    BlackWhiteStep unanswered(3);
    unanswered.setManual(true);
    EXPECT_FALSE(unanswered.Measurement("TG18-LN8-01", "center", again));
    unanswered.fromUI("step canceled");
    EXPECT_FALSE(unanswered.Measurement("TG18-LN8-01", "center", again));
}

TEST(MeasurementStep, VeilingLightWarningFollowsTheReferencesBands)
{
    EXPECT_TRUE(MeasurementStep::ambientChanged(0.4, 0.46));
    EXPECT_FALSE(MeasurementStep::ambientChanged(2.0, 2.15));
    EXPECT_TRUE(MeasurementStep::ambientChanged(2.0, 2.25));
    EXPECT_TRUE(MeasurementStep::ambientChanged(0.8, 0.95));
    EXPECT_FALSE(MeasurementStep::ambientChanged(0.4, 0.12)); // too dark to tell

    BlackWhiteStep step(1);
    QStringList shown;
    QObject::connect(&step, &BaseStep::signalToUI, &step, [&](const QString& command, const QString& text) {
        if (command == QLatin1String("show info dialog"))
            shown << text;
    });
    step.setPreferenceAmbient(2.0);
    step.setReferenceAmbient(0.4); // the last acceptance test's value replaces the preference
    EXPECT_TRUE(step.showAmbientDialog(0.46, true));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].endsWith("Reference veiling luminance: 0.40 cd/m<sup>2</sup>"))
        << shown[0].toStdString();
    step.setAcceptanceTest(true); // in an acceptance test the preference is the reference
    EXPECT_FALSE(step.showAmbientDialog(2.15, true));
    step.SetParams({{"fairy", "true"}});
    EXPECT_FALSE(step.showAmbientDialog(5, true));
}

TEST(MeasurementStep, ManualRunsJudgeAndHandTheirResultsToTheSaver)
{
    DataBus bus;
    bus.SetValue<int>("displayid", 1);
    MultiStep run;
    run.SetDataBus(&bus);
    auto uniformity = std::make_unique<UniformityStep>(14);
    uniformity->SetParams({{"Uniformity", "30"}});
    uniformity->setManual(true);
    Typist typist{{100, 60, 80, 80, 80, 50, 50, 50, 50, 50}};
    typist.attach(*uniformity);
    UniformityStep* step = uniformity.get();
    run.AddStep(std::move(uniformity));
    run.Run();
    EXPECT_EQ(typist.next, 10);                     // two levels, five positions, no 10 % level
    EXPECT_EQ(step->GetStatus(), BaseStep::Failed); // 50 % deviation at 80 %
    const auto results = bus.GetValue<QMap<QString, QString>>("results");
    EXPECT_EQ(results.value("14:UniformityRes80"), "50.00");
    EXPECT_EQ(results.value("14:UniformityRes50"), "0.00");
    EXPECT_EQ(results.value("14:ref:Uniformity"), "30");
    EXPECT_FALSE(results.contains("14:" + UniformityStep::multiDisplayName())); // one display
    EXPECT_EQ(bus.GetValue<std::vector<int>>("stepids"), std::vector<int>({14}));

    // A second display of the workstation is compared with the first through the bus.
    bus.SetValue<int>("displayid", 2);
    UniformityStep other(14);
    other.SetDataBus(&bus);
    other.setManual(true);
    other.setRestartMeasurements(true);
    Typist second{{80, 80, 80, 80, 80, 40, 40, 40, 40, 40}};
    second.attach(other);
    other.ChangeStatus(BaseStep::Running);
    other.Run();
    const auto both = bus.GetValue<QMap<QString, QString>>("results");
    EXPECT_EQ(both.value("14:" + UniformityStep::multiDisplayName()), "22.22"); // 100 against 80
}
