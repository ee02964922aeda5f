#include "platform/linux/X11GlobalHotKeys.h"

#include <QDebug>
#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

Display* dpy(void* display)
{
    return static_cast<Display*>(display);
}

// A grab must also hold with Caps Lock and Num Lock on.
constexpr unsigned kIgnoredMasks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

unsigned x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    unsigned mask = 0;
    if (modifiers & Qt::ControlModifier)
        mask |= ControlMask;
    if (modifiers & Qt::ShiftModifier)
        mask |= ShiftMask;
    if (modifiers & Qt::AltModifier)
        mask |= Mod1Mask;
    if (modifiers & Qt::MetaModifier)
        mask |= Mod4Mask;
    return mask;
}

// A failed grab (another client holds the key) arrives as an asynchronous error;
// it must not end the process.
int ignoreErrors(Display*, XErrorEvent* error)
{
    qWarning() << "X11GlobalHotKeys: X error" << error->error_code << "request" << error->request_code;
    return 0;
}

} // namespace

X11GlobalHotKeys::X11GlobalHotKeys(QObject* parent) : GlobalHotKeys(parent)
{
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        return;
    XSetErrorHandler(ignoreErrors);
    m_notifier = std::make_unique<QSocketNotifier>(ConnectionNumber(dpy(m_display)), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11GlobalHotKeys::readEvents);
}

X11GlobalHotKeys::~X11GlobalHotKeys()
{
    m_notifier.reset();
    if (!m_display)
        return;
    const Window root = DefaultRootWindow(dpy(m_display));
    for (const Grab& grab : m_grabs) {
        for (const unsigned ignored : kIgnoredMasks)
            XUngrabKey(dpy(m_display), static_cast<int>(grab.keycode), grab.modifiers | ignored, root);
    }
    XCloseDisplay(dpy(m_display));
}

QString X11GlobalHotKeys::unavailableReason() const
{
    return m_display ? QString() : QStringLiteral("no X server to take hot keys from");
}

bool X11GlobalHotKeys::grab(const QKeySequence& keys)
{
    if (!m_display || keys.isEmpty())
        return false;
    const QKeyCombination combination = keys[0];
    const QByteArray name = QKeySequence(combination.key()).toString().toLatin1();
    const KeySym symbol = XStringToKeysym(name.constData());
    const KeyCode keycode = symbol == NoSymbol ? 0 : XKeysymToKeycode(dpy(m_display), symbol);
    if (keycode == 0) {
        qWarning() << "X11GlobalHotKeys: no key code for" << keys.toString();
        return false;
    }
    const Grab grab{keys, keycode, x11Modifiers(combination.keyboardModifiers())};
    const Window root = DefaultRootWindow(dpy(m_display));
    for (const unsigned ignored : kIgnoredMasks)
        XGrabKey(dpy(m_display), keycode, grab.modifiers | ignored, root, False, GrabModeAsync,
                 GrabModeAsync);
    XSelectInput(dpy(m_display), root, KeyPressMask);
    XFlush(dpy(m_display));
    m_grabs.append(grab);
    return true;
}

void X11GlobalHotKeys::readEvents()
{
    while (XPending(dpy(m_display)) > 0) {
        XEvent event;
        XNextEvent(dpy(m_display), &event);
        if (event.type != KeyPress)
            continue;
        const unsigned modifiers = event.xkey.state & ~(LockMask | Mod2Mask);
        for (const Grab& grab : m_grabs) {
            if (grab.keycode == event.xkey.keycode && grab.modifiers == modifiers)
                Q_EMIT activated(grab.keys);
        }
    }
}
