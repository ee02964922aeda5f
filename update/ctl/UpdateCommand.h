#pragma once

#include "app/ctl/CtlCommand.h"

// "update check [--url URL]": asks the update address (the product's, or URL) whether a
// newer version than the running one exists, as the daily update task does.
class UpdateCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("update"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
