#pragma once

#include "platform/GammaRamps.h"

// Gamma ramps of the X server's CRTCs through XRandR: an output's ramp is the ramp of
// the CRTC that drives it, of the size the driver reports for that CRTC. Without an X
// display (a console session) there are no ramps.
class LinuxGammaRamps : public GammaRamps
{
public:
    std::unique_ptr<GammaRampDevice> open(const QString& output, QString* error = nullptr) const override;
    QStringList outputs() const override;
};
