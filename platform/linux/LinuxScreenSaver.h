#pragma once

#include "platform/ScreenSaver.h"

// The session's screen saver through the desktop's org.freedesktop.ScreenSaver service
// on the session bus. The service cannot tell whether the saver locks, and desktop
// savers lock by default, so a running one counts as a lock and is left to the user.
// Without the service nothing runs and keeping awake does nothing.
class LinuxScreenSaver : public ScreenSaver
{
public:
    bool isRunning() const override;
    bool isSecure() const override;
    bool stop() const override;
    void keepAwake() const override;
};
