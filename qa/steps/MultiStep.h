#pragma once

#include "qa/steps/BaseStep.h"

#include <memory>
#include <vector>

// Runs its children in order: keeps the progress count, follows the user going back,
// skipping or cancelling, and stops on a failed child when told to.
class MultiStep : public BaseStep
{
    Q_OBJECT
public:
    explicit MultiStep(QObject* parent = nullptr);
    ~MultiStep() override;

    int ProgressCount() const override;
    void SetParams(const QMap<QString, QString>& params) override;
    void Run() override;
    QString Name() const override { return QStringLiteral("MultiStep"); }
    void SetDataBus(DataBus* bus) override;
    void fromUI(const QString& command) override;
    virtual bool isVisible() const { return true; }
    virtual bool Check(bool) { return true; }
    // What the children announce when they all run.
    virtual int CaseProgressCount() const;

    // Takes ownership.
    void AddStep(std::unique_ptr<BaseStep> step);
    BaseStep* GetSub(int index) const;
    int SubsCount() const { return int(m_children.size()); }
    void ClearSteps();
    void SetStepAmount(int amount) { m_stepAmount = amount; }

    bool stopsOnFailure() const { return m_stopOnFailure; }
    bool skippable() const { return m_skippable; }
    bool continuesOnSkip() const { return m_continueOnSkip; }
    bool setsProgress() const { return m_setProgress; }

private:
    std::vector<std::unique_ptr<BaseStep>> m_children;
    int m_current = -1;
    int m_stepAmount = 0;
    bool m_stopOnFailure = false;
    bool m_skippable = false;
    bool m_continueOnSkip = false;
    bool m_setProgress = false;
};
