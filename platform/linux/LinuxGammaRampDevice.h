#pragma once

#include "platform/GammaRampDevice.h"
#include "platform/linux/X11Session.h"

#include <memory>

// One output's CRTC, with the X connection it was found on. Holds the process-wide
// X lock while it lives, so callers keep it only for the read or write at hand.
class LinuxGammaRampDevice : public GammaRampDevice
{
public:
    LinuxGammaRampDevice(std::unique_ptr<X11Session> session, unsigned long crtc, int size);

    int rampSize() const override { return m_size; }
    bool read(GammaRamp& ramp) override;
    bool write(const GammaRamp& ramp) override;
    QString lastError() const override { return m_lastError; }

private:
    std::unique_ptr<X11Session> m_session;
    const unsigned long m_crtc;
    const int m_size;
    QString m_lastError;
};
