#pragma once

#include "app/ctl/CtlCommand.h"

// lutloaderctl qa plan|due|postpone: the QA plan as the agent builds it, what
// the scheduler would notify about, and a postponement of one group.
class QaCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("qa"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
