#include "tests/tasks/HousekeepingTestSupport.h"

QAction* AnsweringTray::addDisplay(const QString& name, bool loaded)
{
    auto action = std::make_unique<QAction>(name);
    action->setCheckable(true);
    action->setChecked(loaded);
    m_actions.push_back(std::move(action));
    return m_actions.back().get();
}

void AnsweringTray::GetDisplayActionsList(std::vector<QAction*>& actions)
{
    actions.clear();
    for (const auto& action : m_actions)
        actions.push_back(action.get());
}

void AnsweringTray::loadSingleLUT(QAction* action)
{
    eventLog().add("tray:load:" + action->text());
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
