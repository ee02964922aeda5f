#include "platform/DisplayServer.h"

#include <QtGlobal>

DisplayServer::Kind DisplayServer::detect()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        return Kind::Wayland;
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return Kind::X11;
    return Kind::None;
}

QString DisplayServer::prepareGuiPlatform()
{
    switch (detect()) {
    case Kind::Wayland:
        // Xwayland accepts XRandR gamma ramps but the compositor never shows them; only the
        // profiles handed to colord reach a colour-managed compositor.
        return QStringLiteral("DisplayServer: Wayland session - video-card gamma ramps set through Xwayland "
                              "do not reach the screen; display profiles given to colord do");
    case Kind::X11:
        return {};
    case Kind::None:
        break;
    }
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return {};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return QStringLiteral(
        "DisplayServer: no display server (DISPLAY and WAYLAND_DISPLAY are unset) - running "
        "without a screen; displays are taken up when an X server appears");
}
