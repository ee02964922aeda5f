#include "tests/tasks/HousekeepingTestSupport.h"

QAction* AnsweringTray::addDisplay(const QString& name, bool loaded)
{
    auto action = std::make_unique<QAction>(name);
    action->setCheckable(true);
    action->setChecked(loaded);
    action->setProperty("displayId", int(m_actions.size()) + 1);
    m_actions.push_back(std::move(action));
    std::vector<int> checked;
    for (const auto& entry : m_actions) {
        if (entry->isChecked())
            checked.push_back(entry->property("displayId").toInt());
    }
    publishLoadedDisplays(std::move(checked));
    return m_actions.back().get();
}

QString AnsweringTray::nameOf(int displayId) const
{
    for (const auto& action : m_actions) {
        if (action->property("displayId").toInt() == displayId)
            return action->text();
    }
    return QStringLiteral("?%1").arg(displayId);
}

void AnsweringTray::GetDisplayActionsList(std::vector<QAction*>& actions)
{
    actions.clear();
    for (const auto& action : m_actions)
        actions.push_back(action.get());
}

void AnsweringTray::loadSingleLUT(int displayId)
{
    eventLog().add("tray:load:" + nameOf(displayId));
    if (answerLoads)
        emit signalLUTApplyFinished();
}

void AnsweringTray::slotTurnOnDisplays()
{
    eventLog().add("tray:turnOn");
    emit signalPowerControlFinished();
}

void AnsweringTray::slotTurnOffDisplays()
{
    eventLog().add("tray:turnOff");
    emit signalPowerControlFinished();
}
