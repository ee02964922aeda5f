#pragma once

#include "app/ctl/CtlCommand.h"

// "tasks list [FILE] [--reminder SECONDS]": the background tasks a task list gives the
// agent, with their timing and whether this build has their class.
class TasksCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("tasks"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
