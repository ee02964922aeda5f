#pragma once

#include "app/ctl/CtlCommand.h"

// "dbdisplays list|refresh|lut ID": the display records of the shared database as the
// agent keeps them, registration of the displays attached now, and a display's stored LUT.
class DisplayTablesCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("dbdisplays"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
