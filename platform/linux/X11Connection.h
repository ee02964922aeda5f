#pragma once

#include <QMutexLocker>
#include <QString>

#include <memory>

struct _XDisplay;

// A short-lived connection to the X server named by $DISPLAY, with X errors recorded
// instead of ending the process. Xlib's error handler is process-wide, so every
// connection of this kind is made and used under one lock: hold it only for a few
// requests.
class X11Connection
{
public:
    X11Connection();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    bool isOpen() const { return m_display != nullptr; }
    _XDisplay* display() const { return m_display.get(); }
    unsigned long root() const;
    // Waits for the server to answer everything sent so far; false (with the X error
    // text) when one of those requests failed. Clears the recorded error.
    bool synced(QString* error = nullptr) const;
    // Like `synced` without the round trip, for after a request that waited for its reply
    // (its error, if any, has arrived with it).
    bool answered(QString* error = nullptr) const;

private:
    struct Closer
    {
        void operator()(_XDisplay* display) const;
    };

    QMutexLocker<QRecursiveMutex> m_lock;
    // The handler to put back, kept as a plain function pointer so this header needs no Xlib.
    void (*m_previousHandler)() = nullptr;
    std::unique_ptr<_XDisplay, Closer> m_display;
};
