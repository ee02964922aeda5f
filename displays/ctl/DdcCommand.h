#pragma once

#include "app/ctl/CtlCommand.h"

// "ddc probe|get|set|lut|power ...": talks MCCS to one display over its DDC/CI transport.
class DdcCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("ddc"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
