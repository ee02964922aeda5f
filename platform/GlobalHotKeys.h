#pragma once

#include <QKeySequence>
#include <QObject>

// System-wide hot keys: a key combination that reaches the agent whichever window has
// the focus. Where the platform cannot take a key, `grab` says so and the caller logs it.
class GlobalHotKeys : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~GlobalHotKeys() override = default;

    // Takes `keys` (one modifier-and-key combination) for the whole session.
    virtual bool grab(const QKeySequence& keys) = 0;
    // Why no key can be taken here; empty where grabbing works.
    virtual QString unavailableReason() const = 0;

Q_SIGNALS:
    void activated(const QKeySequence& keys);
};
