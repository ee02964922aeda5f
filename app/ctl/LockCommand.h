#pragma once

#include "app/ctl/CtlCommand.h"

// "lock status|take|release KEY [--force]": looks at and changes a busy lock the
// way the agent and the main application see it.
class LockCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("lock"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
