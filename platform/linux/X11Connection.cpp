#include "platform/linux/X11Connection.h"

#include <QRecursiveMutex>

#include <X11/Xlib.h>

namespace {

QRecursiveMutex& xMutex()
{
    static QRecursiveMutex mutex;
    return mutex;
}

int g_lastXError = 0; // guarded by xMutex()

int recordXError(Display* /*display*/, XErrorEvent* event)
{
    g_lastXError = event->error_code;
    return 0;
}

} // namespace

void X11Connection::Closer::operator()(_XDisplay* display) const
{
    XCloseDisplay(display);
}

X11Connection::X11Connection() : m_lock(&xMutex())
{
    m_previousHandler = reinterpret_cast<void (*)()>(XSetErrorHandler(recordXError));
    g_lastXError = 0;
    m_display.reset(XOpenDisplay(nullptr));
}

X11Connection::~X11Connection()
{
    m_display.reset(); // XCloseDisplay waits for the server, so late errors still reach our handler
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(m_previousHandler));
}

unsigned long X11Connection::root() const
{
    return DefaultRootWindow(m_display.get());
}

bool X11Connection::synced(QString* error) const
{
    XSync(m_display.get(), False);
    return answered(error);
}

bool X11Connection::answered(QString* error) const
{
    const int code = g_lastXError;
    g_lastXError = 0;
    if (code == 0)
        return true;
    if (error) {
        char text[256] = {};
        XGetErrorText(m_display.get(), code, text, sizeof(text));
        *error = QStringLiteral("X error %1: %2").arg(code).arg(QString::fromLocal8Bit(text));
    }
    return false;
}
