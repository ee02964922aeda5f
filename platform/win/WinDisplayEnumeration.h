#pragma once

#include "platform/DisplayEnumeration.h"

// Display outputs on Windows: the adapters attached to the desktop (EnumDisplayDevicesW), their
// current settings (EnumDisplaySettingsExW), and for each active monitor on them the EDID from
// the monitor device's registry value "EDID", found through the setup API by its driver key.
class WinDisplayEnumeration : public DisplayEnumeration
{
public:
    QList<DisplayOutput> activeOutputs() const override;
};
