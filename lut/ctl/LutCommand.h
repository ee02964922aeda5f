#pragma once

#include "app/ctl/CtlCommand.h"

// "lut load|unload|show DISPLAYID": loads or unloads a display's stored LUT through the
// LUT loading thread under the busy lock "lut", as the tray does, or shows the stored
// table beside what the display holds now.
class LutCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("lut"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
