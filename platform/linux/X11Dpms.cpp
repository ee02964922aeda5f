#include "platform/linux/X11Dpms.h"

#include "platform/linux/X11Session.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace {

// Only the extension is asked for, not DPMSCapable: servers whose driver cannot switch the
// monitor (virtual and remote ones) still keep the level, and the request is harmless there.
bool hasDpms(Display* display)
{
    int eventBase = 0;
    int errorBase = 0;
    return DPMSQueryExtension(display, &eventBase, &errorBase);
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

bool X11Dpms::force(bool on, QString* error, const QString& displayName)
{
    const X11Session session(displayName);
    Display* display = session.display();
    if (!display) {
        setError(error, QStringLiteral("no X display"));
        return false;
    }
    if (!hasDpms(display)) {
        setError(error, QStringLiteral("the X server has no DPMS"));
        return false;
    }
    CARD16 level = 0;
    BOOL enabled = False;
    DPMSInfo(display, &level, &enabled);
    if (!enabled)
        DPMSEnable(display);
    DPMSForceLevel(display, on ? DPMSModeOn : DPMSModeOff);
    QString failure;
    if (!session.synced(&failure)) {
        setError(error, QStringLiteral("DPMSForceLevel failed: %1").arg(failure));
        return false;
    }
    return true;
}

bool X11Dpms::supported(const QString& displayName)
{
    const X11Session session(displayName);
    return session.display() && hasDpms(session.display());
}

std::optional<X11Dpms::Level> X11Dpms::level(const QString& displayName)
{
    const X11Session session(displayName);
    Display* display = session.display();
    if (!display || !hasDpms(display))
        return std::nullopt;
    CARD16 level = 0;
    BOOL enabled = False;
    if (!DPMSInfo(display, &level, &enabled) || !enabled)
        return std::nullopt;
    return static_cast<Level>(level);
}
