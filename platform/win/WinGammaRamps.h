#pragma once

#include "platform/GammaRamps.h"

// The device gamma ramp of a display device ("\\.\DISPLAY1"): a device context made
// with CreateDCW, read and written with GetDeviceGammaRamp and SetDeviceGammaRamp.
// Windows ramps always have 256 entries per channel.
class WinGammaRamps : public GammaRamps
{
public:
    std::unique_ptr<GammaRampDevice> open(const QString& output, QString* error = nullptr) const override;
    QStringList outputs() const override;
};
