#include "qa/steps/MultiStep.h"

#include "settings/DataBus.h"

#include <QDebug>

MultiStep::MultiStep(QObject* parent) : BaseStep(parent) {}

MultiStep::~MultiStep() = default;

int MultiStep::CaseProgressCount() const
{
    int total = 0;
    for (const auto& child : m_children)
        total += child->ProgressCount();
    return total;
}

int MultiStep::ProgressCount() const
{
    return CaseProgressCount();
}

void MultiStep::SetParams(const QMap<QString, QString>& params)
{
    const auto flag = [&params](const char* name) { return params.value(QLatin1String(name)) == "true"; };
    m_stopOnFailure = flag("1 failed steps");
    m_skippable = flag("skippable");
    m_continueOnSkip = flag("continue on skip");
    m_setProgress = flag("setprogress");
}

void MultiStep::SetDataBus(DataBus* bus)
{
    BaseStep::SetDataBus(bus);
    for (const auto& child : m_children)
        child->SetDataBus(bus);
}

void MultiStep::fromUI(const QString& command)
{
    // The user interface speaks to the step it shows, which is the running child.
    if (m_current >= 0 && m_current < SubsCount() && m_children[size_t(m_current)]->IsActive())
        m_children[size_t(m_current)]->fromUI(command);
    if (command == QLatin1String("step canceled") || command == QLatin1String("step block") ||
        command == QLatin1String("step unblock"))
        BaseStep::fromUI(command);
}

void MultiStep::AddStep(std::unique_ptr<BaseStep> step)
{
    if (!step)
        return;
    step->SetDataBus(dataBus());
    m_children.push_back(std::move(step));
}

BaseStep* MultiStep::GetSub(int index) const
{
    return index >= 0 && index < SubsCount() ? m_children[size_t(index)].get() : nullptr;
}

void MultiStep::ClearSteps()
{
    m_children.clear();
}

void MultiStep::Run()
{
    qDebug().nospace() << "multi start (nofailed=" << m_stopOnFailure << ";setprogress=" << m_setProgress
                       << ", skippable=" << m_skippable << ")";
    qDebug() << "subtasks count=" << SubsCount();
    if (m_stepAmount > 0)
        toUI(QStringLiteral("amount steps"), QString::number(m_stepAmount));

    std::vector<int> announced;
    for (const auto& child : m_children)
        announced.push_back(child->ProgressCount());
    const int total = ProgressCount();
    if (m_setProgress) {
        if (dataBus())
            dataBus()->SetValue<int>(QStringLiteral("total progress count"), total);
        toUI(QStringLiteral("show progress"), QString::number(total));
    }

    ChangeStatus(Running);
    activate();
    std::vector<int> used(m_children.size(), 0);
    m_current = 0;
    bool goingBack = BackFlag();
    while (IsActive() && m_current < SubsCount()) {
        BaseStep* child = m_children[size_t(m_current)].get();
        qDebug() << "start sub task - " << child->Name();
        child->SetBackFlag(goingBack);
        child->ChangeStatus(Running);
        child->activate();
        child->ProgressCounterRun();
        child->deactivate();

        const int counted = child->realProgressCounted();
        used[size_t(m_current)] = counted;
        addCounted(counted);
        if (counted != announced[size_t(m_current)])
            qDebug() << "%%% Progress count mismatch. asked for" << announced[size_t(m_current)]
                     << "points, but used " << counted << "points. Step name -" << child->Name()
                     << " in multi step " << Name();
        if (child->GetStatus() == Running)
            child->ChangeStatus(Finished);
        const int status = child->GetStatus();
        if (status == Canceled || (status == Failed && m_stopOnFailure)) {
            qDebug() << "status=canceled, skipped or failed" << status << "]endsubtask";
            break;
        }
        if (status == Skipped && !m_skippable && !m_continueOnSkip) {
            qDebug() << "skip all multistep";
            ChangeStatus(Finished);
            for (int rest = m_current + 1; rest < SubsCount(); ++rest)
                IncreaseProgress(announced[size_t(rest)]);
            deactivate();
            m_current = -1;
            return;
        }
        qDebug() << "status" << status << "]endsubtask";
        while (blockedFlag() && !IsCanceled())
            letEventsRun(100);
        if (IsCanceled()) {
            qDebug() << "MultiStep canceled";
            deactivate();
            m_current = -1;
            return;
        }
        if (status == Back) {
            if (m_current == 0) {
                ChangeStatus(Back);
                deactivate();
                m_current = -1;
                return;
            }
            --m_current;
            goingBack = true;
        } else {
            ++m_current;
            goingBack = false;
        }
    }

    deactivate();
    m_current = -1;
    if (GetStatus() == Running) {
        ChangeStatus(Finished);
        for (const auto& child : m_children) {
            const int status = child->GetStatus();
            if (status == Canceled || (status == Failed && m_stopOnFailure) ||
                (status == Skipped && !m_skippable)) {
                ChangeStatus(status);
                break;
            }
        }
    }
    if (dataBus())
        dataBus()->SetValue<bool>(QStringLiteral("ismanual"),
                                  dataBus()->GetValue<bool>(QStringLiteral("ismanual"), false));
    if (realProgressCounted() != total) {
        QStringList wrong;
        for (size_t i = 0; i < m_children.size(); ++i) {
            if (used[i] != announced[i])
                wrong << m_children[i]->Name();
        }
        qDebug() << "%%% Progress count mismatch (total!=sum). asked for" << total << realProgressCounted()
                 << "wrong steps:" << wrong.join(QStringLiteral(", "));
    }
}
