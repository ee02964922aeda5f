#pragma once

#include "app/ctl/CtlCommand.h"

// "sync now [--ca-file FILE]": one synchronisation run in the foreground, under the
// same busy lock as the agent's task; "sync status": what the last run left behind.
class SyncCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("sync"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;

private:
    int now(const CtlContext& context) const;
    int status(const CtlContext& context) const;
};
