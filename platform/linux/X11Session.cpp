#include "platform/linux/X11Session.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

QRecursiveMutex& sessionMutex()
{
    static QRecursiveMutex mutex;
    return mutex;
}

int g_lastError = 0;

int recordError(Display* /*display*/, XErrorEvent* event)
{
    g_lastError = event->error_code;
    return 0;
}

} // namespace

X11Session::X11Session(const QString& displayName)
    : m_lock(&sessionMutex()), m_previousHandler(reinterpret_cast<void (*)()>(XSetErrorHandler(recordError)))
{
    g_lastError = 0;
    m_display = XOpenDisplay(displayName.isEmpty() ? nullptr : displayName.toLocal8Bit().constData());
}

X11Session::~X11Session()
{
    if (m_display) {
        XSync(m_display, False);
        XCloseDisplay(m_display);
    }
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(m_previousHandler));
}

unsigned long X11Session::root() const
{
    return m_display ? DefaultRootWindow(m_display) : 0;
}

bool X11Session::hasRandR() const
{
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // Output properties and CRTC gamma need RandR 1.2.
    return m_display && XRRQueryExtension(m_display, &eventBase, &errorBase) &&
           XRRQueryVersion(m_display, &major, &minor) && (major > 1 || (major == 1 && minor >= 2));
}

bool X11Session::synced(QString* error) const
{
    if (!m_display)
        return false;
    XSync(m_display, False);
    const int code = g_lastError;
    g_lastError = 0;
    if (code == 0)
        return true;
    if (error) {
        char text[256] = {};
        XGetErrorText(m_display, code, text, sizeof(text));
        *error = QStringLiteral("X error %1: %2").arg(code).arg(QString::fromLocal8Bit(text));
    }
    return false;
}
