#pragma once

#include "app/ctl/CtlCommand.h"

// "sensor list|measure|info": the sensors the detector finds, readings and what a sensor says
// about itself.
class SensorCommand : public CtlCommand
{
public:
    QString name() const override { return QStringLiteral("sensor"); }
    QString usage() const override;
    int run(const CtlContext& context) const override;
};
