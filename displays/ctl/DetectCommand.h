#pragma once

#include "app/ctl/CtlCommand.h"

// lutloaderctl detect: which display class and which LUT object the display factory
// gives each attached display, and how the known-display list names it.
class DetectCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("detect"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
