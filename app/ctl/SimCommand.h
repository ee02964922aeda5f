#pragma once

#include "app/ctl/CtlCommand.h"

// "sim COMMAND [ARGS]": changes the simulated workstation of a running agent
// (lock the session, unplug a display, ...) through its control socket.
class SimCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("sim"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
