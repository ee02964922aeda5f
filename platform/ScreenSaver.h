#pragma once

#include <QString>

// The session's screen saver and the system's idle sleep, as far as a program of the
// session may touch them. Called from any thread.
class ScreenSaver
{
public:
    virtual ~ScreenSaver() = default;

    // True when a screen saver runs now.
    virtual bool isRunning() const = 0;
    // True when the running screen saver asks for the password to end: it is a lock,
    // and only the user ends it.
    virtual bool isSecure() const = 0;
    // Ends the running screen saver; false when none ran or it could not be ended.
    virtual bool stop() const = 0;
    // Counts as user activity: the system and its displays stay awake for another idle time.
    virtual void keepAwake() const = 0;

    // Before the user is asked about due work on a display: a screen saver that is not a
    // lock is ended, and the system kept from going to sleep while the question is open.
    // `who` names the caller in the log. True when a screen saver was ended.
    bool wakeForUser(const QString& who) const;
};
