#include "tests/lut/gamma/BareXRandr.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <memory>

namespace {

struct XClient
{
    explicit XClient(const QString& name) : display(XOpenDisplay(name.toLatin1().constData())) {}
    ~XClient()
    {
        if (display)
            XCloseDisplay(display);
    }
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;
    Display* display;
};

RRCrtc crtcOf(Display* display, const QString& output)
{
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!resources)
        return 0;
    RRCrtc crtc = 0;
    for (int i = 0; i < resources->noutput && crtc == 0; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (info && QString::fromLatin1(info->name, info->nameLen) == output)
            crtc = info->crtc;
        XRRFreeOutputInfo(info);
    }
    XRRFreeScreenResources(resources);
    return crtc;
}

} // namespace

std::optional<GammaRamp> BareXRandr::readRamp(const QString& display, const QString& output)
{
    const XClient connection(display);
    if (!connection.display)
        return std::nullopt;
    const RRCrtc crtc = crtcOf(connection.display, output);
    XRRCrtcGamma* gamma = crtc ? XRRGetCrtcGamma(connection.display, crtc) : nullptr;
    if (!gamma)
        return std::nullopt;
    GammaRamp ramp;
    ramp[0].assign(gamma->red, gamma->red + gamma->size);
    ramp[1].assign(gamma->green, gamma->green + gamma->size);
    ramp[2].assign(gamma->blue, gamma->blue + gamma->size);
    XRRFreeGamma(gamma);
    return ramp;
}

bool BareXRandr::writeRamp(const QString& display, const QString& output, const GammaRamp& ramp)
{
    const XClient connection(display);
    if (!connection.display)
        return false;
    const RRCrtc crtc = crtcOf(connection.display, output);
    const int size = crtc ? XRRGetCrtcGammaSize(connection.display, crtc) : 0;
    if (size != static_cast<int>(ramp[0].size()))
        return false;
    XRRCrtcGamma* gamma = XRRAllocGamma(size);
    std::copy(ramp[0].begin(), ramp[0].end(), gamma->red);
    std::copy(ramp[1].begin(), ramp[1].end(), gamma->green);
    std::copy(ramp[2].begin(), ramp[2].end(), gamma->blue);
    XRRSetCrtcGamma(connection.display, crtc, gamma);
    XRRFreeGamma(gamma);
    XSync(connection.display, False);
    return true;
}
