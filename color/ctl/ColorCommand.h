#pragma once

#include "app/ctl/CtlCommand.h"

// "color convert|cct|deltae|curve|gsdf ...": the colour arithmetic of the QA checks,
// for administrators and scripts.
class ColorCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("color"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;

private:
    int convert(const CtlContext& context, QStringList args) const;
    int cct(const CtlContext& context, QStringList args) const;
    int deltaE(const CtlContext& context, QStringList args) const;
    int curve(const CtlContext& context, QStringList args) const;
    int gsdf(const CtlContext& context, QStringList args) const;
};
