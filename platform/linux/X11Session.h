#pragma once

#include <QMutexLocker>
#include <QRecursiveMutex>
#include <QString>

struct _XDisplay;

// One short connection to the X display named by $DISPLAY (or the name given), with Xlib's
// process-wide error handler replaced by one that records the error instead of ending the
// process. All sessions of the process are serialised by one lock, because the handler and the
// recorded error are process-wide. `display()` is null when no X server is reachable.
class X11Session
{
public:
    explicit X11Session(const QString& displayName = QString());
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    _XDisplay* display() const { return m_display; }
    unsigned long root() const;
    bool hasRandR() const;
    // Waits for the server's answers; false (with a description in `error`) when a request failed
    // since the session began or since the last call.
    bool synced(QString* error = nullptr) const;

private:
    QMutexLocker<QRecursiveMutex> m_lock;
    // Xlib's handler type names an anonymous struct, so it is kept as a plain function pointer.
    void (*m_previousHandler)() = nullptr;
    _XDisplay* m_display = nullptr;
};
