#pragma once

#include "app/ctl/CtlCommand.h"

// "send KEY MSG [PARAM] [--wait MS]": joins the pipe hub as a participant, sends
// one message and prints what the other participants answer while it waits.
class SendCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("send"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;

    // The hub pipe of KEY: a hub pipe name as is ("kaldo_..."), "-" for this
    // agent's hub, or a server name ("Orvanta_QA_pipeAppConnecting").
    static QString hubPipeName(const QString& key);
};
