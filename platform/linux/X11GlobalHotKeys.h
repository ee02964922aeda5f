#pragma once

#include "platform/GlobalHotKeys.h"

#include <QList>

#include <memory>

class QSocketNotifier;

// Hot keys taken with a key grab on the X server's root window, over a connection of
// their own so no toolkit event filter is needed. Without an X server nothing is taken.
class X11GlobalHotKeys : public GlobalHotKeys
{
    Q_OBJECT
public:
    explicit X11GlobalHotKeys(QObject* parent);
    ~X11GlobalHotKeys() override;

    bool grab(const QKeySequence& keys) override;
    QString unavailableReason() const override;

private:
    struct Grab
    {
        QKeySequence keys;
        unsigned keycode = 0;
        unsigned modifiers = 0;
    };
    void readEvents();

    void* m_display = nullptr; // Display*, kept opaque so the header stays free of Xlib
    std::unique_ptr<QSocketNotifier> m_notifier;
    QList<Grab> m_grabs;
};
