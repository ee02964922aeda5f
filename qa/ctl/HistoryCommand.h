#pragma once

#include "app/ctl/CtlCommand.h"

// lutloaderctl history list|show: the stored QA runs and one of them as a report.
class HistoryCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("history"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
