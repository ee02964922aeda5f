#include "platform/linux/X11ProfileAtoms.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <climits>
#include <memory>

namespace {

// Xlib's default error handler ends the process; ours records the error instead.
// The handler is process-wide, so every X call of this file runs under one lock.
QMutex& xMutex()
{
    static QMutex mutex;
    return mutex;
}

int g_lastXError = 0;

int recordXError(Display* /*display*/, XErrorEvent* event)
{
    g_lastXError = event->error_code;
    return 0;
}

struct DisplayCloser
{
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

class XSession
{
public:
    XSession() : m_lock(&xMutex()), m_previous(XSetErrorHandler(recordXError))
    {
        g_lastXError = 0;
        m_display.reset(XOpenDisplay(nullptr));
    }
    ~XSession()
    {
        if (m_display)
            XSync(m_display.get(), False);
        m_display.reset();
        XSetErrorHandler(m_previous);
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    Display* display() const { return m_display.get(); }
    Window root() const { return DefaultRootWindow(m_display.get()); }
    Atom atom(int index) const
    {
        return XInternAtom(m_display.get(), X11ProfileAtoms::atomName(index).toLatin1().constData(), False);
    }
    // Waits for the server's answer so that an error of the last request is known.
    bool synced(QString* error) const
    {
        XSync(m_display.get(), False);
        if (g_lastXError == 0)
            return true;
        char text[256] = {};
        XGetErrorText(m_display.get(), g_lastXError, text, sizeof(text));
        if (error)
            *error = QStringLiteral("X error %1: %2").arg(g_lastXError).arg(QString::fromLocal8Bit(text));
        return false;
    }

private:
    QMutexLocker<QMutex> m_lock;
    XErrorHandler m_previous;
    DisplayPtr m_display;
};

struct XFreer
{
    void operator()(void* data) const { XFree(data); }
};

} // namespace

QString X11ProfileAtoms::atomName(int index)
{
    return index <= 0 ? QStringLiteral("_ICC_PROFILE") : QStringLiteral("_ICC_PROFILE_%1").arg(index);
}

bool X11ProfileAtoms::reachable()
{
    const XSession session;
    return session.display() != nullptr;
}

int X11ProfileAtoms::outputIndex(const QString& outputName)
{
    const XSession session;
    int eventBase = 0;
    int errorBase = 0;
    if (!session.display() || !XRRQueryExtension(session.display(), &eventBase, &errorBase))
        return -1;
    std::unique_ptr<XRRScreenResources, decltype(&XRRFreeScreenResources)> resources(
        XRRGetScreenResourcesCurrent(session.display(), session.root()), &XRRFreeScreenResources);
    if (!resources)
        return -1;
    int active = 0;
    for (int i = 0; i < resources->noutput; ++i) {
        std::unique_ptr<XRROutputInfo, decltype(&XRRFreeOutputInfo)> info(
            XRRGetOutputInfo(session.display(), resources.get(), resources->outputs[i]), &XRRFreeOutputInfo);
        if (!info || info->connection != RR_Connected || info->crtc == 0)
            continue;
        if (QString::fromLocal8Bit(info->name, info->nameLen) == outputName)
            return active;
        ++active;
    }
    return -1;
}

bool X11ProfileAtoms::set(int index, const QByteArray& profile, QString* error)
{
    const XSession session;
    if (!session.display()) {
        if (error)
            *error = QStringLiteral("no X display");
        return false;
    }
    XChangeProperty(session.display(), session.root(), session.atom(index), XA_CARDINAL, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(profile.constData()),
                    static_cast<int>(profile.size()));
    return session.synced(error);
}

std::optional<QByteArray> X11ProfileAtoms::get(int index)
{
    const XSession session;
    if (!session.display())
        return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status =
        XGetWindowProperty(session.display(), session.root(), session.atom(index), 0, LONG_MAX / 4, False,
                           XA_CARDINAL, &type, &format, &items, &remaining, &data);
    const std::unique_ptr<unsigned char, XFreer> owned(data);
    if (status != Success || type != XA_CARDINAL || format != 8 || !data)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(items));
}

bool X11ProfileAtoms::remove(int index, QString* error)
{
    const XSession session;
    if (!session.display()) {
        if (error)
            *error = QStringLiteral("no X display");
        return false;
    }
    XDeleteProperty(session.display(), session.root(), session.atom(index));
    return session.synced(error);
}
