#pragma once

#include "app/ctl/CtlCommand.h"

// "displays": what the display enumeration of the active backend sees now.
class DisplaysCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("displays"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
