#pragma once

#include "app/ctl/CtlCommand.h"

// "edid FILE|-": decodes an EDID given as raw bytes or as hex text.
class EdidCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("edid"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
