// The step tree run without a user interface: children answer with the commands a user
// interface would send, and the multi-step's flow and final status follow them.
#include "qa/steps/BlackWhiteStep.h"
#include "qa/steps/CaseMultiStep.h"
#include "qa/steps/MultiStep.h"
#include "qa/steps/QAStepFactory.h"
#include "settings/DataBus.h"

#include <gtest/gtest.h>

namespace {

// A child that, on its n-th run, receives the n-th command of its script (the last one repeats);
// "fail" makes it fail as a measuring step does. It reports the one point it announced.
class ScriptedStep : public BaseStep
{
public:
    ScriptedStep(QString name, QStringList script) : m_name(std::move(name)), m_script(std::move(script)) {}
    int ProgressCount() const override { return 1; }
    QString Name() const override { return m_name; }
    void Run() override
    {
        backFlags << BackFlag();
        const QString command = m_script.value(qMin(runs++, int(m_script.size()) - 1));
        IncreaseProgress();
        if (command == QLatin1String("fail"))
            ChangeStatus(Failed);
        else if (!command.isEmpty())
            fromUI(command);
    }
    int runs = 0;
    QList<bool> backFlags;

private:
    QString m_name;
    QStringList m_script;
};

struct Tree
{
    std::unique_ptr<MultiStep> root = std::make_unique<MultiStep>();
    QList<ScriptedStep*> children;

    Tree(const QList<QStringList>& scripts, const QMap<QString, QString>& params = {})
    {
        root->SetParams(params);
        for (const QStringList& script : scripts) {
            auto child =
                std::make_unique<ScriptedStep>(QStringLiteral("child %1").arg(children.size()), script);
            children << child.get();
            root->AddStep(std::move(child));
        }
    }
    QList<int> runs() const
    {
        QList<int> counts;
        for (const ScriptedStep* child : children)
            counts << child->runs;
        return counts;
    }
};

} // namespace

TEST(StepFramework, GoingBackRerunsThePreviousChildAndFromTheFirstEndsTheMultiStep)
{
    Tree tree({{""}, {"step back", ""}, {""}});
    tree.root->Run();
    EXPECT_EQ(tree.runs(), QList<int>({2, 2, 1}));
    EXPECT_EQ(tree.children[0]->backFlags, QList<bool>({false, true}));
    EXPECT_EQ(tree.root->GetStatus(), BaseStep::Finished);

    Tree first({{"step back"}, {""}});
    first.root->Run();
    EXPECT_EQ(first.runs(), QList<int>({1, 0}));
    EXPECT_EQ(first.root->GetStatus(), BaseStep::Back);
}

TEST(StepFramework, ASkippedChildEndsTheMultiStepUnlessSkippingIsAllowed)
{
    Tree skip({{"step skip"}, {""}, {""}});
    skip.root->Run();
    EXPECT_EQ(skip.runs(), QList<int>({1, 0, 0}));
    EXPECT_EQ(skip.root->GetStatus(), BaseStep::Finished);
    // The points the remaining children announced are reported, so the progress bar completes.
    EXPECT_EQ(skip.root->realProgressCounted(), 3);

    Tree goesOn({{"step skip"}, {""}}, {{"continue on skip", "true"}});
    goesOn.root->Run();
    EXPECT_EQ(goesOn.runs(), QList<int>({1, 1}));
    EXPECT_EQ(goesOn.root->GetStatus(), BaseStep::Skipped);

    Tree skippable({{"step skip"}, {""}}, {{"skippable", "true"}});
    skippable.root->Run();
    EXPECT_EQ(skippable.runs(), QList<int>({1, 1}));
    EXPECT_EQ(skippable.root->GetStatus(), BaseStep::Finished);
}

TEST(StepFramework, AFailedChildStopsTheRunOnlyWhenToldTo)
{
    Tree stops({{""}, {"fail"}, {""}}, {{"1 failed steps", "true"}});
    stops.root->Run();
    EXPECT_EQ(stops.runs(), QList<int>({1, 1, 0}));
    EXPECT_EQ(stops.root->GetStatus(), BaseStep::Failed);

    Tree goesOn({{""}, {"fail"}, {""}});
    goesOn.root->Run();
    EXPECT_EQ(goesOn.runs(), QList<int>({1, 1, 1}));
    EXPECT_EQ(goesOn.root->GetStatus(), BaseStep::Finished);

    Tree canceled({{"step canceled"}, {""}});
    canceled.root->Run();
    EXPECT_EQ(canceled.runs(), QList<int>({1, 0}));
    EXPECT_EQ(canceled.root->GetStatus(), BaseStep::Canceled);
}

TEST(StepFramework, TheBusCarriesTheTotalAndReachesChildrenAddedLater)
{
    DataBus bus;
    Tree tree({{""}, {""}}, {{"setprogress", "true"}});
    tree.root->SetDataBus(&bus);
    auto late = std::make_unique<ScriptedStep>("late", QStringList{""});
    ScriptedStep* lateStep = late.get();
    tree.root->AddStep(std::move(late));
    tree.root->Run();
    EXPECT_EQ(bus.GetValue<int>("total progress count"), 3);
    EXPECT_EQ(lateStep->dataBus(), &bus);
    EXPECT_EQ(tree.root->realProgressCounted(), 3);

    // A value of another type under the same name is refused and the old one kept.
    EXPECT_FALSE(bus.SetValue<QString>("total progress count", "three"));
    EXPECT_EQ(bus.GetValue<int>("total progress count"), 3);
}

TEST(StepFramework, FactoryMakesTheRegulationsStepCodes)
{
    EXPECT_EQ(QAStepFactory::QAStep(108, 1), nullptr);
    EXPECT_EQ(QAStepFactory::QAStep(0, 1), nullptr);
    for (const int code : QAStepFactory::codes()) {
        const std::unique_ptr<BaseStep> step = QAStepFactory::QAStep(code, 7);
        ASSERT_NE(step, nullptr) << code;
        const auto* qa = qobject_cast<const QAStep*>(step.get());
        if (code > 500) {
            EXPECT_EQ(qa, nullptr) << code;
            continue;
        }
        ASSERT_NE(qa, nullptr) << code;
        EXPECT_EQ(qa->StepCode(), code);
        EXPECT_EQ(qa->stepId(), 7);
    }
    EXPECT_NE(qobject_cast<BlackWhiteStep*>(QAStepFactory::QAStep(111, 1).get()), nullptr);

    // The Mac case never runs its children on this system; its points count as done.
    std::unique_ptr<BaseStep> mac = QAStepFactory::QAStep(502, -1);
    auto* macCase = qobject_cast<CaseMultiStep*>(mac.get());
    ASSERT_NE(macCase, nullptr);
    EXPECT_FALSE(macCase->Check(false));
    auto child = std::make_unique<ScriptedStep>("on a Mac", QStringList{""});
    ScriptedStep* onMac = child.get();
    macCase->AddStep(std::move(child));
    macCase->ProgressCounterRun();
    EXPECT_EQ(onMac->runs, 0);
    EXPECT_EQ(macCase->realProgressCounted(), 1);

    std::unique_ptr<BaseStep> notMac = QAStepFactory::QAStep(503, -1);
    auto* notMacCase = qobject_cast<CaseMultiStep*>(notMac.get());
    ASSERT_NE(notMacCase, nullptr);
    auto other = std::make_unique<ScriptedStep>("elsewhere", QStringList{""});
    ScriptedStep* elsewhere = other.get();
    notMacCase->AddStep(std::move(other));
    notMacCase->Run();
    EXPECT_EQ(elsewhere->runs, 1);
}

TEST(StepFramework, LuminanceUnitsFollowTheStepParameter)
{
    BlackWhiteStep step(1);
    EXPECT_EQ(step.measurementInNeededUnits(34.262591), "34.26 cd/m<sup>2</sup>");
    step.SetParams({{"luminance units", "FL"}});
    EXPECT_EQ(step.measurementInNeededUnits(34.262591), "10.00 fL");
    step.SetParams({{"luminance units", "lx"}, {"stepname", "Ambient"}});
    EXPECT_EQ(step.measurementInNeededUnits(12.5), "12.50 Lx");
    EXPECT_EQ(step.Name(), "QA Black White");
}
