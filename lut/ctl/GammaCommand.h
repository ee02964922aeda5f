#pragma once

#include "app/ctl/CtlCommand.h"

// "gamma list" names the outputs that have a ramp and its size; "gamma get OUTPUT" prints the video card's
// gamma ramp of an output as three lines (red, green, blue); "gamma set OUTPUT [FILE|-]" loads a ramp in that
// form.
class GammaCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("gamma"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
