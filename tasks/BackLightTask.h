#pragma once

#include "tasks/Task.h"

#include <QDebug>

// Backlight check; no task list starts it, it is built only on request.
// A run only logs and ends, so a list that names it anyway cannot stall the runner.
class BackLightTask : public Task
{
public:
    using Task::Task;

    void run() override
    {
        qDebug().noquote() << "BackLightTask::run() -" << name() << "has no work in this agent";
        emit finished();
    }
};
