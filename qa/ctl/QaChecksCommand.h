#pragma once

#include "app/ctl/CtlCommand.h"

// "qa gsdf|blackwhite|uniformity ...": the verdicts of the luminance QA checks computed
// from luminances given on the command line, so a physicist can recheck a result.
class QaChecksCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("qa"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;

    // Whether `action` (the word after "qa") is one of these checks; lets another "qa"
    // command hand them over.
    static bool handles(const QString& action);

private:
    int gsdf(const CtlContext& context, QStringList args) const;
    int blackWhite(const CtlContext& context, QStringList args) const;
    int uniformity(const CtlContext& context, QStringList args) const;
};
