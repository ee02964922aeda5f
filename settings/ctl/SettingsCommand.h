#pragma once

#include "app/ctl/CtlCommand.h"

// "settings paths|list|get KEY|set KEY VALUE|remove KEY|defaults": where the
// product keeps its files, the machine-wide settings file shared with the main
// application, and the embedded default preferences.
class SettingsCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("settings"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
