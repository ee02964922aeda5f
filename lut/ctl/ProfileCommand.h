#pragma once

#include "app/ctl/CtlCommand.h"

// "profile vcgt FILE": prints the video-card gamma table of an ICC profile.
class ProfileCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("profile"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
