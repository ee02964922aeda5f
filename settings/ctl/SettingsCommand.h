#pragma once

#include "app/ctl/CtlCommand.h"

// "settings paths|list|get KEY|set KEY VALUE|remove KEY|defaults|init|export FILE|import FILE":
// where the product keeps its files, the machine-wide settings file shared with
// the main application, the embedded default preferences, the start-up fill of
// the database, and moving the user's preferences to another workstation.
class SettingsCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("settings"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
