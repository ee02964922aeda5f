#pragma once

#include "app/ctl/CtlCommand.h"

// "pref get NAME" and "pref set NAME VALUE": the user's preferences as the agent
// and the main application read them. A value set here is marked for upload.
class PrefCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("pref"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
