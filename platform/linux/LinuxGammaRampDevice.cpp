#include "platform/linux/LinuxGammaRampDevice.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <algorithm>

namespace {

using Gamma = std::unique_ptr<XRRCrtcGamma, decltype(&XRRFreeGamma)>;

} // namespace

LinuxGammaRampDevice::LinuxGammaRampDevice(std::unique_ptr<X11Session> session, unsigned long crtc, int size)
    : m_session(std::move(session)), m_crtc(crtc), m_size(size)
{
}

bool LinuxGammaRampDevice::read(GammaRamp& ramp)
{
    // A failed request with a reply shows as no reply; no extra round trip is needed to see it.
    const Gamma gamma(XRRGetCrtcGamma(m_session->display(), m_crtc), &XRRFreeGamma);
    if (!gamma) {
        m_session->synced(&m_lastError);
        m_lastError = QStringLiteral("XRRGetCrtcGamma failed %1").arg(m_lastError);
        return false;
    }
    if (gamma->size != m_size) {
        m_lastError =
            QStringLiteral("XRRGetCrtcGamma gave %1 entries, expected %2").arg(gamma->size).arg(m_size);
        return false;
    }
    const unsigned short* const channels[] = {gamma->red, gamma->green, gamma->blue};
    for (int c = 0; c < 3; ++c)
        ramp[c].assign(channels[c], channels[c] + m_size);
    return true;
}

bool LinuxGammaRampDevice::write(const GammaRamp& ramp)
{
    for (const auto& channel : ramp) {
        if (static_cast<int>(channel.size()) != m_size) {
            m_lastError =
                QStringLiteral("ramp of %1 entries for a CRTC of %2").arg(channel.size()).arg(m_size);
            return false;
        }
    }
    const Gamma gamma(XRRAllocGamma(m_size), &XRRFreeGamma);
    if (!gamma) {
        m_lastError = QStringLiteral("XRRAllocGamma failed");
        return false;
    }
    unsigned short* const channels[] = {gamma->red, gamma->green, gamma->blue};
    for (int c = 0; c < 3; ++c)
        std::copy(ramp[c].begin(), ramp[c].end(), channels[c]);
    XRRSetCrtcGamma(m_session->display(), m_crtc, gamma.get());
    if (!m_session->synced(&m_lastError)) {
        m_lastError = QStringLiteral("XRRSetCrtcGamma failed %1").arg(m_lastError);
        return false;
    }
    return true;
}
