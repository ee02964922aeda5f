#pragma once

#include "app/ctl/CtlCommand.h"

// lutloaderctl regulation list|show|import|export: the regulations the agent
// loads, one in detail, and user regulation files in and out.
class RegulationCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("regulation"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
